// Where a redirect leads and the total of a Content-Range, from hostile
// header values.
//
// Input: a location to start from, a Location value and a Content-Range
// value, one a line.
#include <cstdint>
#include <cstdlib>

#include "net/http_answer.h"
#include "net/http_request.h"

namespace {

using orv::ByteString;

void check(bool condition) {
    if (!condition) std::abort();
}

void checkFollowable(const ByteString& base, const ByteString& url) {
    for (uint32_t i = 0; i < url.length(); ++i)
        check(url.byteAt(i) > 0x20 && url.byteAt(i) < 0x7F && url[i] != '#' && url[i] != '\\');
    ByteString scheme, host, path, again;
    uint16_t port = 0;
    check(orv::HttpRequest::ParseUrl(url, scheme, host, port, path) && !host.empty() && path[0] == '/');
    check(orv::resolveReference(base, url, again) && again == url);  // nothing left to resolve
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    const ByteString input(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
    const uint32_t first = input.find('\n'), second = input.find('\n', first == ByteString::npos ? 0 : first + 1);
    ByteString base, url, total;
    if (!orv::resolveReference("", input.Left(first), base)) base = "http://example.com/a/b?c";
    checkFollowable("", base);
    if (orv::resolveReference(base, first == ByteString::npos ? ByteString() : input.Mid(first + 1, second - first - 1), url))
        checkFollowable(base, url);
    if (orv::contentRangeTotal(second == ByteString::npos ? ByteString() : input.Mid(second + 1), total)) {
        check(!total.empty() && (total[0] != '0' || total.length() == 1));
        for (uint32_t i = 0; i < total.length(); ++i) check(total[i] >= '0' && total[i] <= '9');
    }
    return 0;
}
