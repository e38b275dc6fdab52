// Which hosts a certificate's subjectAltName names, as the secure socket
// that checks names itself judges them.
#include <gtest/gtest.h>

#include "net/certificate_names.h"

namespace orv {
namespace {

TEST(CertificateNames, OnlyTheSubjectAltNameCounts) {
    CertificateNames names;
    names.dnsNames = {"www.Example.com", "*.downloads.example.com", "*.com", "w*.example.org", "bad\x01.example.net",
                      "trailing.example.net."};
    IpAddress v4, v6;
    ASSERT_TRUE(parseIpAddress("192.0.2.7", v4) && parseIpAddress("2001:db8::1", v6));
    names.addresses = {v4, v6};
    const std::pair<ByteString, bool> cases[] = {
        {"www.example.com", true}, {"WWW.EXAMPLE.COM.", true}, {"example.com", false},
        {"a.downloads.example.com", true}, {"a.b.downloads.example.com", false}, {"downloads.example.com", false},
        {".downloads.example.com", false}, {"anything.com", false}, {"www.example.org", false},
        {"bad\x01.example.net", false}, {"trailing.example.net", true}, {"*.downloads.example.com", false},
        {"192.0.2.7", true}, {"[2001:db8:0::1]", true}, {"192.0.2.8", false}, {ByteString("www.example.com\0x", 17), false},
    };
    for (const auto& [host, named] : cases) EXPECT_EQ(certificateNamesHost(names, host), named) << host.toStdString();
    // An address is never matched by a name that spells it, nor a name by an address.
    EXPECT_FALSE(certificateNamesHost({{"192.0.2.9"}, {}}, "192.0.2.9"));
    EXPECT_FALSE(certificateNamesHost({{}, {v4}}, "host.example"));
    EXPECT_FALSE(certificateNamesHost({}, "www.example.com"));
}

}  // namespace
}  // namespace orv
