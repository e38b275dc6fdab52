// The fast JSON reader: simdjson parses the whole text at once (with the
// fastest instructions the processor has, chosen at run time) and the
// package is filled from its document. It takes exactly what the exact reader
// takes, and gives up on everything else (an error, an unknown member, a
// text before its encoding is known) without saying why: the exact reader
// then reads the input again and names the place.
#include <simdjson.h>

#include "app/common_fields.h"
#include "app/package_json.h"
#include "app/package_json_reading.h"
#include "app/text_codec.h"
#include "net/base64.h"

namespace orv {

namespace {

namespace od = simdjson::dom;

class FastReader {
public:
    // A reader that only `checks` goes through every step but keeps
    // nothing: what it takes, a keeping reader takes too.
    FastReader(Package& p, TextCodec& codec, size_t inputSize, bool checks)
        : p_(p), codec_(codec), pool_(p), budget_(jsonRecordBudget(inputSize)), checks_(checks) {}

    bool root(od::element v);
    // The format is an export's, in a version this program reads.
    bool formatFits() const {
        return sawFormat_ && formatName_ == kJsonFormatName && formatVersion_ >= 1 &&
               formatVersion_ <= kJsonFormatVersion;
    }
    void finish() { pool_.flush(); }

private:
    bool format(od::element v);
    bool common(od::element v);
    bool text(od::element v, const JsonTextPlace& place);
    bool number(od::element v, uint32_t& out);
    bool ids(od::element v, IdList& out);
    template <typename R, size_t N>
    bool records(od::element v, RecordArray<R>& out, const JsonField<R> (&fields)[N], JsonKind kind);

    Package& p_;
    TextCodec& codec_;
    JsonTextPool pool_;
    std::string scratch_;
    ByteString bytes_;
    std::string formatName_;
    uint64_t formatVersion_ = 0;
    bool sawFormat_ = false;
    uint64_t budget_;
    uint64_t records_ = 0;
    bool checks_;
    void store(const JsonTextPlace& place, std::string_view bytes) {
        if (!checks_) pool_.store(place, bytes);
    }
};

// The index of `key` among `names`, the next one after `last` tried first
// (members mostly come in an export's order); -1 for none.
template <typename Names>
int memberIndex(const Names& names, std::string_view key, int last) {
    const int count = static_cast<int>(names.size());
    if (last + 1 < count && key == names[last + 1]) return last + 1;
    for (int i = 0; i < count; ++i)
        if (key == names[i]) return i;
    return -1;
}

// Runs `member(index, value)` for each member of an object whose names are
// `names`; false for an unknown or repeated member or a parse error.
template <typename Names, typename Member>
bool members(od::element v, const Names& names, Member member) {
    od::object object;
    if (v.get_object().get(object)) return false;
    uint32_t seen = 0;
    int last = -1;
    for (const od::key_value_pair field : object) {
        const int i = memberIndex(names, field.key, last);
        if (i < 0 || (seen & (1u << i))) return false;
        seen |= 1u << i;
        last = i;
        if (!member(i, field.value)) return false;
    }
    return true;
}

// Member names by index.
struct Names {
    const char* const* names;
    size_t count;
    const char* operator[](size_t i) const { return names[i]; }
    size_t size() const { return count; }
};
constexpr const char* kRoot[] = {"format", "encoding", "common", "versions", "features", "bugs"};
constexpr const char* kFormat[] = {"name", "version"};
constexpr const char* kBase64[] = {"base64"};
constexpr Names kRootNames{kRoot, 6}, kFormatNames{kFormat, 2}, kBase64Names{kBase64, 1};

// A record kind's member names, measured once.
template <typename R, size_t N>
struct FieldNames {
    explicit FieldNames(const JsonField<R> (&fields)[N]) {
        for (size_t i = 0; i < N; ++i) names[i] = fields[i].name;
    }
    std::string_view names[N];
    std::string_view operator[](size_t i) const { return names[i]; }
    size_t size() const { return N; }
};

struct CommonNames {
    CommonNames() {
        for (size_t i = 0; i < CommonInfo::kFieldCount; ++i) names[i] = commonFields()[i].name;
    }
    std::string_view names[CommonInfo::kFieldCount];
    std::string_view operator[](size_t i) const { return names[i]; }
    size_t size() const { return CommonInfo::kFieldCount; }
};

bool FastReader::root(od::element root) {
    return members(root, kRootNames, [&](int i, od::element v) {
        bool ok = false;
        switch (i) {
        case 0: ok = format(v); break;
        case 1: {
            std::string_view name;
            ok = !v.get_string().get(name) && (codec_.isOpen() || codec_.open(std::string(name)));
            break;
        }
        case 2: ok = common(v); break;
        case 3: ok = records(v, p_.versions, kVersionJsonFields, kJsonVersion); break;
        case 4: ok = records(v, p_.features, kFeatureJsonFields, kJsonFeature); break;
        default: ok = records(v, p_.bugs, kBugJsonFields, kJsonBug); break;
        }
        return ok;
    });
}

bool FastReader::format(od::element v) {
    sawFormat_ = true;
    return members(v, kFormatNames, [&](int i, od::element m) {
        if (i == 1) return !m.get_uint64().get(formatVersion_);
        std::string_view name;
        if (m.get_string().get(name)) return false;
        formatName_ = name;
        return true;
    });
}

bool FastReader::common(od::element v) {
    return members(v, CommonNames{}, [&](int i, od::element m) {
        return text(m, {kJsonCommon, static_cast<uint8_t>(i), 0});
    });
}

bool FastReader::text(od::element v, const JsonTextPlace& place) {
    const od::element_type type = v.type();
    if (type == od::element_type::OBJECT) {
        bool given = false;
        const bool ok = members(v, kBase64Names, [&](int, od::element m) {
            std::string_view encoded;
            given = true;
            if (m.get_string().get(encoded) || !base64Decode(encoded, bytes_)) return false;
            store(place, bytes_.view());
            return true;
        });
        return ok && given;
    }
    std::string_view s;
    if (type != od::element_type::STRING || !codec_.isOpen() || v.get_string().get(s)) return false;
    if (codec_.keepsAsIs(s)) return store(place, s), true;
    if (!codec_.encode(s, bytes_)) return false;
    store(place, bytes_.view());
    return true;
}

bool FastReader::number(od::element v, uint32_t& out) {
    uint64_t n = 0;
    if (v.get_uint64().get(n) || n > UINT32_MAX) return false;
    out = static_cast<uint32_t>(n);
    return true;
}

bool FastReader::ids(od::element v, IdList& out) {
    od::array array;
    if (v.get_array().get(array)) return false;
    for (const od::element id : array) {
        uint32_t n = 0;
        if (!number(id, n)) return false;
        out.append(n);
    }
    return true;
}

template <typename R, size_t N>
bool FastReader::records(od::element v, RecordArray<R>& out, const JsonField<R> (&fields)[N], JsonKind kind) {
    od::array array;
    if (v.get_array().get(array)) return false;
    // The records' room in one piece: a growing list would leave up to half
    // of it unused.
    const size_t count = array.size();
    if (!checks_ && count < 0xFFFFFF && count * kJsonRecordCost <= budget_ &&
        !out.tryReserve(out.count() + static_cast<uint32_t>(count)))
        return false;
    R scratch;
    const FieldNames<R, N> names(fields);
    for (const od::element record : array) {
        if (++records_ * kJsonRecordCost > budget_) return false;
        if (!checks_) out.append(R{});
        const uint32_t index = out.count() - 1;
        R& r = checks_ ? (scratch = R{}) : out[index];
        const bool ok = members(record, names, [&](int i, od::element m) {
            const JsonField<R>& f = fields[i];
            if (f.text) return text(m, {kind, static_cast<uint8_t>(i), index});
            if (f.number) return number(m, r.*f.number);
            return ids(m, r.*f.ids);
        });
        if (!ok) return false;
    }
    return true;
}

}  // namespace

FastJson readPackageJsonFast(ByteString& json, const std::string& encoding, Package& p) {
    if (json.empty() || uint64_t{json.capacity()} < uint64_t{json.length()} + simdjson::SIMDJSON_PADDING)
        return FastJson::NotTaken;
    TextCodec codec;
    if (!encoding.empty() && !codec.open(encoding)) return FastJson::NotTaken;
    od::parser parser;
    od::element root;
    if (parser.parse(json.data(), json.length(), false).get(root)) return FastJson::NotTaken;
    // Checked whole first, so that the text can go before the package is
    // built: the document holds everything the package needs.
    const size_t size = json.length();
    Package read;
    FastReader check(read, codec, size, true);
    if (!check.root(root) || !check.formatFits() || (!codec.isOpen() && !codec.open("UTF-8"))) return FastJson::NotTaken;
    json = ByteString();
    FastReader reader(read, codec, size, false);
    if (!reader.root(root)) return FastJson::OutOfMemory;
    reader.finish();
    p = std::move(read);
    return FastJson::Read;
}

}  // namespace orv
