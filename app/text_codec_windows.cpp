// Text conversion through Windows' code pages. MinGW has no iconv: names
// are mapped onto code page numbers, and every conversion goes through
// UTF-16 with the calls that report invalid input instead of guessing
// (UTF-16 itself, which those calls do not take, by hand).
#include <windows.h>

#include <cctype>
#include <string>

#include "app/text_conversion.h"

namespace orv::detail {

struct Conversion {
    UINT codePage;
    bool toUtf8;  // from the code page to UTF-8, else back
};

namespace {

struct Named {
    const char* name;
    UINT codePage;
};

// Names as iconv spells them, compared without case, "-" and "_".
const Named kCodePages[] = {
    {"utf8", CP_UTF8},        {"ascii", 20127},       {"usascii", 20127},      {"ansix3.41968", 20127},
    {"latin1", 28591},        {"koi8r", 20866},       {"koi8u", 21866},        {"shiftjis", 932},
    {"sjis", 932},            {"eucjp", 20932},       {"gbk", 936},            {"gb2312", 936},
    {"big5", 950},            {"euckr", 949},         {"uhc", 949},            {"macintosh", 10000},
    {"tis620", 874},          {"utf16le", 1200},      {"utf16be", 1201},       {"iso2022jp", 50220},
};

std::string squeezed(const std::string& name) {
    std::string out;
    for (char c : name)
        if (c != '-' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The digits after `prefix`, or 0.
UINT numberAfter(const std::string& name, const char* prefix) {
    const size_t n = std::char_traits<char>::length(prefix);
    if (name.compare(0, n, prefix) != 0 || name.size() == n || name.size() > n + 5) return 0;
    UINT value = 0;
    for (size_t i = n; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        value = value * 10 + static_cast<UINT>(name[i] - '0');
    }
    return value;
}

UINT codePageOf(const std::string& encoding) {
    const std::string name = squeezed(encoding);
    for (const Named& n : kCodePages)
        if (name == n.name) return n.codePage;
    if (UINT iso = numberAfter(name, "iso8859"); iso >= 1 && iso <= 16) return 28590 + iso;
    for (const char* prefix : {"windows", "cp", "ibm"})
        if (UINT page = numberAfter(name, prefix)) return page;
    return 0;
}

constexpr UINT kUtf16Le = 1200, kUtf16Be = 1201;

// The system's calls know no UTF-16 "code page": those two are done here.
bool usable(UINT page) { return page == kUtf16Le || page == kUtf16Be || IsValidCodePage(page); }

bool isHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Every high surrogate followed by a low one, and no low one alone.
bool wellFormed(std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (isLow(text[i])) return false;
        if (isHigh(text[i]) && (++i >= text.size() || !isLow(text[i]))) return false;
    }
    return true;
}

bool fromUtf16(bool bigEndian, std::string_view in, std::wstring& out) {
    if (in.size() % 2) return false;
    for (size_t i = 0; i < in.size(); i += 2) {
        const auto a = static_cast<unsigned char>(in[i]), b = static_cast<unsigned char>(in[i + 1]);
        out += static_cast<wchar_t>(bigEndian ? a << 8 | b : b << 8 | a);
    }
    return wellFormed(out);
}

bool toUtf16(bool bigEndian, std::wstring_view in, std::string& out) {
    for (const wchar_t c : in) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return wellFormed(in);
}

bool toWide(UINT page, std::string_view in, std::wstring& out) {
    out.clear();
    if (in.empty()) return true;
    if (page == kUtf16Le || page == kUtf16Be) return fromUtf16(page == kUtf16Be, in, out);
    const int size = static_cast<int>(in.size());
    const int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in.data(), size, out.data(), n) == n;
}

// Never a best-fit substitute: a character the page lacks is a failure.
bool fromWide(UINT page, std::wstring_view in, std::string& out) {
    out.clear();
    if (in.empty()) return true;
    if (page == kUtf16Le || page == kUtf16Be) return toUtf16(page == kUtf16Be, in, out);
    const bool utf = page == CP_UTF8 || page == CP_UTF7;
    const DWORD flags = page == CP_UTF8 ? WC_ERR_INVALID_CHARS : utf ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* usedDefault = utf ? nullptr : &defaulted;
    const int size = static_cast<int>(in.size());
    const int n = WideCharToMultiByte(page, flags, in.data(), size, nullptr, 0, nullptr, usedDefault);
    if (n <= 0 || defaulted) return false;
    out.resize(static_cast<size_t>(n));
    return WideCharToMultiByte(page, flags, in.data(), size, out.data(), n, nullptr, usedDefault) == n && !defaulted;
}

// The length of the character at the start of `in` in the source encoding.
size_t characterLength(const Conversion* c, std::string_view in) {
    const auto lead = static_cast<unsigned char>(in[0]);
    if (!c->toUtf8 || c->codePage == CP_UTF8) return sequenceLength(lead);
    if (c->codePage == kUtf16Le || c->codePage == kUtf16Be) {
        const auto second = in.size() > 1 ? static_cast<unsigned char>(in[1]) : 0;
        return isHigh(static_cast<wchar_t>((c->codePage == kUtf16Be ? lead : second) << 8)) ? 4 : 2;
    }
    CPINFO info{};
    if (GetCPInfo(c->codePage, &info) && info.MaxCharSize > 1 && IsDBCSLeadByteEx(c->codePage, lead)) return 2;
    return 1;
}

}  // namespace

std::string systemEncoding() {
    const UINT page = GetACP();
    return page == CP_UTF8 ? "UTF-8" : "windows-" + std::to_string(page);
}

const char* encodingNamesHint() { return "Windows code pages go by names such as windows-1252, ISO-8859-15, Shift_JIS or UTF-16LE"; }

Conversion* openConversion(const std::string& to, const std::string& from) {
    const bool toUtf8 = codePageOf(to) == CP_UTF8;
    const UINT page = codePageOf(toUtf8 ? from : to);
    if ((!toUtf8 && codePageOf(from) != CP_UTF8) || page == 0 || !usable(page)) return nullptr;
    return new Conversion{page, toUtf8};
}

void closeConversion(Conversion* conversion) { delete conversion; }

bool convertWhole(Conversion* c, std::string_view in, std::string& out) {
    std::wstring wide;
    if (c->toUtf8) return toWide(c->codePage, in, wide) && fromWide(CP_UTF8, wide, out);
    return toWide(CP_UTF8, in, wide) && fromWide(c->codePage, wide, out);
}

// A character at a time: the code page calls say only that a text failed,
// not where.
size_t convertPrefix(Conversion* c, std::string_view in, std::string& out) {
    std::string piece;
    if (convertWhole(c, in, piece)) {
        out += piece;
        return in.size();
    }
    size_t pos = 0;
    while (pos < in.size()) {
        const size_t n = std::min(characterLength(c, in.substr(pos)), in.size() - pos);
        if (!convertWhole(c, in.substr(pos, n), piece)) break;
        out += piece;
        pos += n;
    }
    return pos;
}

}  // namespace orv::detail
