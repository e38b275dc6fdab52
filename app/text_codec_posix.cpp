// Text conversion through the C library's iconv.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>

#include "app/text_conversion.h"

namespace orv::detail {

namespace {

// Converts a whole text from the start state; false on any invalid or
// incomplete sequence.
bool convert(iconv_t cd, std::string_view in, std::string& out) {
    out.clear();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    out.resize(in.size() * 2 + 16);
    for (bool flushing = false;;) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        const size_t r = flushing ? iconv(cd, nullptr, nullptr, &dst, &dstLeft) : iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<size_t>(-1)) {
            if (flushing) break;
            flushing = true;  // stateful encodings end with a shift back
            continue;
        }
        if (errno != E2BIG) return false;
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return true;
}

}  // namespace

std::string systemEncoding() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && *codeset ? codeset : "ANSI_X3.4-1968";
}

struct Conversion {
    iconv_t cd;
};

const char* encodingNamesHint() { return "iconv -l lists the known ones"; }

Conversion* openConversion(const std::string& to, const std::string& from) {
    const iconv_t cd = iconv_open(to.c_str(), from.c_str());
    return cd == reinterpret_cast<iconv_t>(-1) ? nullptr : new Conversion{cd};
}

void closeConversion(Conversion* c) {
    if (!c) return;
    iconv_close(c->cd);
    delete c;
}

bool convertWhole(Conversion* c, std::string_view in, std::string& out) { return convert(c->cd, in, out); }

size_t convertPrefix(Conversion* c, std::string_view in, std::string& out) {
    std::string piece;
    size_t pos = 0;
    for (;;) {
        iconv(c->cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data() + pos);
        size_t srcLeft = in.size() - pos;
        piece.resize(srcLeft * 4 + 16);
        char* dst = piece.data();
        size_t dstLeft = piece.size();
        const size_t r = iconv(c->cd, &src, &srcLeft, &dst, &dstLeft);
        const bool full = r == static_cast<size_t>(-1) && errno == E2BIG;
        if (r != static_cast<size_t>(-1)) iconv(c->cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(piece.data(), piece.size() - dstLeft);
        pos = in.size() - srcLeft;
        if (!full || pos >= in.size()) return pos;
    }
}

}  // namespace orv::detail
