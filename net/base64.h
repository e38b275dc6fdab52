// Standard Base64 (A-Z, a-z, 0-9, "+", "/"), padded with "=", no line breaks.
#pragma once

#include <string_view>

#include "support/byte_string.h"

namespace orv {

struct Base64Encoder {
    ByteString output;
    unsigned char pending[2] = {0, 0};
    uint32_t pendingCount = 0;

    // Encodes whole three-byte groups as they arrive.
    void add(const ByteString& bytes);
    // Encodes what is left, with padding, and returns the whole text.
    ByteString finish();
};

ByteString base64Encode(const ByteString& bytes);

// Decodes strict Base64 (padded, no line breaks, nothing else) into `out`;
// false for any other text.
bool base64Decode(std::string_view text, ByteString& out);

}  // namespace orv
