// Writing the package as JSON in one pass, straight into the output text.
// Every string written here is valid UTF-8 already (the codec's output, or
// a name of our own), so it needs escaping only, not the second UTF-8
// check per byte that a general JSON serializer makes; that check alone
// took most of the time of exporting a large package.
#include "app/common_fields.h"
#include "app/package_json.h"
#include "app/package_json_fields.h"
#include "net/base64.h"

namespace orv {

namespace {

// A JSON string of valid UTF-8 text: quotes, backslashes and control
// characters escaped, everything else as it is.
void appendString(std::string& out, std::string_view s) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    size_t run = 0;  // start of the bytes not yet copied
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(s.data() + run, i - run);
        run = i + 1;
        out += '\\';
        switch (c) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '\n': out += 'n'; break;
        case '\r': out += 'r'; break;
        case '\t': out += 't'; break;
        default:
            out += "u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out.append(s.data() + run, s.size() - run);
    out += '"';
}

class Writer {
public:
    Writer(std::string& out, TextCodec& codec, const std::function<bool(std::string_view)>* sink)
        : out_(out), codec_(codec), sink_(sink) {}

    // Hands what is written so far on once it passes a piece's size (or
    // always, at the end); false once the sink has refused.
    bool pass(bool last = false) {
        if (!sink_ || !ok_ || (!last && out_.size() < kPiece)) return ok_;
        ok_ = (*sink_)(out_);
        out_.clear();
        return ok_;
    }
    static constexpr size_t kPiece = 1u << 20;

    void string(std::string_view s) { appendString(out_, s); }

    // A text that decodes is a string; any other keeps its bytes as Base64.
    void text(const ByteString& bytes) {
        if (codec_.keepsAsIs(bytes.view())) return appendString(out_, bytes.view());
        if (codec_.decode(bytes.view(), scratch_)) {
            appendString(out_, scratch_);
            return;
        }
        out_ += "{\"base64\":\"";
        out_ += base64Encode(bytes).view();
        out_ += "\"}";
    }

    void number(uint32_t n) {
        char digits[10];
        uint32_t i = sizeof digits;
        do digits[--i] = static_cast<char>('0' + n % 10);
        while ((n /= 10) != 0);
        out_.append(digits + i, sizeof digits - i);
    }

    template <typename R, size_t N>
    void record(const R& r, const JsonField<R> (&fields)[N]) {
        char separator = '{';
        for (const JsonField<R>& f : fields) {
            out_ += separator;
            out_ += '"';
            out_ += f.name;
            out_ += "\":";
            separator = ',';
            if (f.text) {
                text(r.*f.text);
            } else if (f.number) {
                number(r.*f.number);
            } else {
                char open = '[';
                for (uint32_t id : r.*f.ids) {
                    out_ += open;
                    number(id);
                    open = ',';
                }
                out_ += open == '[' ? "[]" : "]";
            }
        }
        out_ += '}';
    }

    // A list of records, one record a line.
    template <typename R, size_t N>
    void list(const char* name, const RecordArray<R>& records, const JsonField<R> (&fields)[N]) {
        out_ += "  \"";
        out_ += name;
        out_ += "\": [";
        const char* separator = "\n    ";
        for (const R& r : records) {
            out_ += separator;
            record(r, fields);
            separator = ",\n    ";
            if (!pass()) return;
        }
        out_ += records.empty() ? "]" : "\n  ]";
    }

private:
    std::string& out_;
    TextCodec& codec_;
    const std::function<bool(std::string_view)>* sink_;
    bool ok_ = true;
    std::string scratch_;
};

bool writeJson(const Package& p, TextCodec& codec, std::string& out, const std::function<bool(std::string_view)>* sink) {
    Writer w(out, codec, sink);
    out += "{\n  \"format\": {\"name\": ";
    w.string(kJsonFormatName);
    out += ", \"version\": ";
    w.number(kJsonFormatVersion);
    out += "},\n  \"encoding\": ";
    w.string(codec.name());
    out += ",\n  \"common\": {";
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        out += i ? ",\n    \"" : "\n    \"";
        out += commonFields()[i].name;
        out += "\": ";
        w.text(p.common.field(i));
    }
    out += "\n  },\n";
    w.list("versions", p.versions, kVersionJsonFields);
    out += ",\n";
    w.list("features", p.features, kFeatureJsonFields);
    out += ",\n";
    w.list("bugs", p.bugs, kBugJsonFields);
    out += "\n}\n";
    return w.pass(true);
}

}  // namespace

std::string packageToJson(const Package& p, TextCodec& codec) {
    std::string out;
    uint64_t estimate = 1024;  // texts grow by a third as JSON, at most
    for (const VersionRecord& v : p.versions) estimate += 200 + v.location.length() + v.screenshot.length();
    for (const FeatureRecord& f : p.features) estimate += 120 + f.title.length() + f.description.length() * 4 / 3;
    for (const BugRecord& b : p.bugs) estimate += 180 + b.title.length() + b.description.length() * 4 / 3;
    out.reserve(static_cast<size_t>(estimate));
    writeJson(p, codec, out, nullptr);
    return out;
}

bool writePackageJson(const Package& p, TextCodec& codec, const std::function<bool(std::string_view)>& write) {
    std::string out;
    out.reserve(Writer::kPiece + (64u << 10));
    return writeJson(p, codec, out, &write);
}

}  // namespace orv
