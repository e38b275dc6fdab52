#include <gtest/gtest.h>

#include "net/base64.h"

namespace orv {
namespace {

TEST(Base64, StandardVectorsAndPiecewiseInput) {
    const char* plain[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
    const char* coded[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(base64Encode(plain[i]), coded[i]) << plain[i];

    // Groups that straddle the pieces, and every byte value of the alphabet's edges.
    Base64Encoder encoder;
    encoder.add("fo");
    encoder.add("ob");
    encoder.add(ByteString("\xfb\xff", 2));
    EXPECT_EQ(encoder.finish(), "Zm9vYvv/");
}

}  // namespace
}  // namespace orv
