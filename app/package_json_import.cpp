// Reading a package from JSON with the parser's event interface: the
// package is filled as the text is read, without a document tree in
// memory, and anything that does not fit the shape stops the parse at once
// (so nesting depth and memory stay bounded by what the package needs).
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/common_fields.h"
#include "app/package_json_fields.h"
#include "app/package_json.h"
#include "app/package_json_reading.h"
#include "net/base64.h"

namespace orv {

namespace {

using Json = nlohmann::json;

enum class Frame { Root, Format, Common, List, Record, Text, Ids };
using Kind = JsonKind;
constexpr Kind kCommon = kJsonCommon, kVersion = kJsonVersion, kFeature = kJsonFeature, kBug = kJsonBug;

constexpr const char* kRootMembers[] = {"format", "encoding", "common", "versions", "features", "bugs"};
constexpr const char* kFormatMembers[] = {"name", "version"};
constexpr const char* kTextMembers[] = {"base64"};

struct Level {
    Frame frame;
    Kind kind = kCommon;
    int member = -1;         // objects: the member being read
    uint32_t count = 0;      // arrays: elements so far
    uint32_t seen = 0;       // objects: members met so far, one bit each
    const char* name = "";   // objects: the name of the member being read
};

// A text given as a JSON string before its encoding was known, still in
// UTF-8 in its field.
using PendingText = JsonTextPlace;

template <typename R, size_t N>
std::vector<const char*> namesOf(const JsonField<R> (&fields)[N]) {
    std::vector<const char*> names;
    for (const JsonField<R>& f : fields) names.push_back(f.name);
    return names;
}


class Reader {
public:
    Reader(Package& p, size_t inputSize, TextCodec& codec)
        : p_(p), codec_(codec), pool_(p), budget_(jsonRecordBudget(inputSize)) {
        std::vector<const char*> common;
        for (const CommonField& f : commonFields()) common.push_back(f.name);
        members_[kCommon] = common;
        members_[kVersion] = namesOf(kVersionJsonFields);
        members_[kFeature] = namesOf(kFeatureJsonFields);
        members_[kBug] = namesOf(kBugJsonFields);
    }

    // The parser's events.
    bool null() { return wrong("null"); }
    bool boolean(bool) { return wrong("true or false"); }
    bool number_integer(Json::number_integer_t) { return wrong("a negative number"); }
    bool number_float(Json::number_float_t, const std::string&) { return wrong("a number with a fraction"); }
    bool binary(Json::binary_t&) { return wrong("binary data"); }
    bool number_unsigned(Json::number_unsigned_t v);
    bool string(std::string& s);
    bool start_object(std::size_t);
    bool end_object();
    bool start_array(std::size_t);
    bool end_array();
    bool key(std::string& k);
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        std::string what = e.what();
        const size_t cut = what.find("] ");
        error_ = "not valid JSON: " + (cut == std::string::npos ? what : what.substr(cut + 2));
        return false;
    }

    // After the parse: the format checked, the texts that came before their
    // encoding was known encoded.
    bool finish();
    const std::string& error() const { return error_; }

private:
    Level& top() { return stack_.back(); }
    std::span<const char* const> membersOf(const Level& l) const;
    bool fail(const std::string& what);
    bool wrong(const char* found);
    std::string path() const;
    ByteString& text(Kind kind, int field, uint32_t index);
    uint32_t lastIndex(Kind kind) const;
    bool isText(Kind kind, int field) const;
    uint32_t* number(Kind kind, int field);
    IdList* ids(Kind kind, int field);

    bool openCodec(const std::string& name);
    std::string cannotWrite() const;
    void store(Kind kind, int field, uint32_t index, std::string_view bytes) {
        pool_.store({kind, static_cast<uint8_t>(field), index}, bytes);
    }

    Package& p_;
    TextCodec& codec_;  // open once the encoding is known
    std::vector<Level> stack_;
    std::vector<const char*> members_[4];
    std::vector<PendingText> pending_;
    JsonTextPool pool_;
    ByteString scratch_;
    std::string error_;
    std::string formatName_;
    uint64_t formatVersion_ = 0;
    bool sawFormat_ = false;
    uint64_t budget_;
    uint64_t records_ = 0;
};

std::span<const char* const> Reader::membersOf(const Level& l) const {
    switch (l.frame) {
    case Frame::Root: return kRootMembers;
    case Frame::Format: return kFormatMembers;
    case Frame::Text: return kTextMembers;
    case Frame::Common:
    case Frame::Record: return members_[l.kind];
    default: return {};
    }
}

std::string Reader::path() const {
    std::string out;
    for (const Level& l : stack_) {
        if (l.frame == Frame::List || l.frame == Frame::Ids) out += "[" + std::to_string(l.count) + "]";
        else if (l.member >= 0) out += std::string(".") + l.name;
    }
    return out.empty() ? "." : out;
}

bool Reader::fail(const std::string& what) {
    error_ = "at " + path() + ": " + what;
    return false;
}

bool Reader::wrong(const char* found) {
    if (stack_.empty()) return fail(std::string("expected an object, found ") + found);
    const Level& l = top();
    std::string expected = "a text (a string or {\"base64\": \"...\"})";
    if (l.frame == Frame::Ids) expected = "an id (a whole number from 0 to 4294967295)";
    else if (l.frame == Frame::List) expected = "a record (an object)";
    else if (l.frame == Frame::Format) expected = l.member == 0 ? "a string" : "a whole number";
    else if (l.frame == Frame::Root) expected = l.member == 1 ? "a string" : l.member == 2 ? "an object" : "an array";
    else if (l.frame == Frame::Record && number(l.kind, l.member)) expected = "a whole number from 0 to 4294967295";
    else if (l.frame == Frame::Record && ids(l.kind, l.member)) expected = "an array of ids";
    return fail("expected " + expected + ", found " + found);
}

uint32_t Reader::lastIndex(Kind kind) const {
    switch (kind) {
    case kVersion: return p_.versions.count() - 1;
    case kFeature: return p_.features.count() - 1;
    case kBug: return p_.bugs.count() - 1;
    default: return 0;
    }
}

ByteString& Reader::text(Kind kind, int field, uint32_t index) {
    return jsonTextField(p_, {kind, static_cast<uint8_t>(field), index});
}

bool Reader::isText(Kind kind, int field) const {
    switch (kind) {
    case kVersion: return kVersionJsonFields[field].text;
    case kFeature: return kFeatureJsonFields[field].text;
    case kBug: return kBugJsonFields[field].text;
    default: return true;
    }
}

uint32_t* Reader::number(Kind kind, int field) {
    const uint32_t i = lastIndex(kind);
    switch (kind) {
    case kVersion: return kVersionJsonFields[field].number ? &(p_.versions[i].*kVersionJsonFields[field].number) : nullptr;
    case kFeature: return kFeatureJsonFields[field].number ? &(p_.features[i].*kFeatureJsonFields[field].number) : nullptr;
    case kBug: return kBugJsonFields[field].number ? &(p_.bugs[i].*kBugJsonFields[field].number) : nullptr;
    default: return nullptr;
    }
}

IdList* Reader::ids(Kind kind, int field) {
    const uint32_t i = lastIndex(kind);
    switch (kind) {
    case kVersion: return kVersionJsonFields[field].ids ? &(p_.versions[i].*kVersionJsonFields[field].ids) : nullptr;
    case kFeature: return kFeatureJsonFields[field].ids ? &(p_.features[i].*kFeatureJsonFields[field].ids) : nullptr;
    case kBug: return kBugJsonFields[field].ids ? &(p_.bugs[i].*kBugJsonFields[field].ids) : nullptr;
    default: return nullptr;
    }
}

bool Reader::key(std::string& k) {
    Level& l = top();
    const auto members = membersOf(l);
    // Members mostly come in the order of an export: try the next one first.
    const size_t next = static_cast<size_t>(l.member + 1);
    l.member = -1;
    if (next < members.size() && k == members[next]) l.member = static_cast<int>(next);
    for (size_t i = 0; i < members.size() && l.member < 0; ++i) {
        if (k == members[i]) l.member = static_cast<int>(i);
    }
    if (l.member < 0) return fail("unknown member \"" + k.substr(0, 64) + "\"");
    l.name = members[static_cast<size_t>(l.member)];
    if (l.seen & (1u << l.member)) return fail("member given twice");
    l.seen |= 1u << l.member;
    return true;
}

bool Reader::string(std::string& s) {
    if (stack_.empty()) return wrong("a string");
    Level& l = top();
    if (l.frame == Frame::Root && l.member == 1) return codec_.isOpen() || openCodec(s);
    if (l.frame == Frame::Format && l.member == 0) return formatName_ = s, true;
    if (l.frame == Frame::Text) {
        const Level& owner = stack_[stack_.size() - 2];
        const uint32_t index = owner.frame == Frame::Common ? 0 : lastIndex(owner.kind);
        if (!base64Decode(s, scratch_)) return fail("not valid Base64");
        return store(owner.kind, owner.member, index, scratch_.view()), true;
    }
    const bool textField = l.frame == Frame::Common || (l.frame == Frame::Record && isText(l.kind, l.member));
    if (!textField) return wrong("a string");
    if (s.size() >= ByteString::npos) return fail("text too long");
    const uint32_t index = l.frame == Frame::Common ? 0 : lastIndex(l.kind);
    ByteString& target = text(l.kind, l.member, index);
    if (!codec_.isOpen()) {  // an encoding member may still follow (jq -S sorts it after the texts)
        target = ByteString(s);
        pending_.push_back({l.kind, static_cast<uint8_t>(l.member), index});
        return true;
    }
    if (codec_.keepsAsIs(s)) return store(l.kind, l.member, index, s), true;
    if (!codec_.encode(s, scratch_)) return fail(cannotWrite());
    return store(l.kind, l.member, index, scratch_.view()), true;
}

bool Reader::openCodec(const std::string& name) {
    return codec_.open(name) || fail("unknown encoding \"" + name.substr(0, 64) + "\"");
}

std::string Reader::cannotWrite() const {
    return "the text cannot be written in " + codec_.name() +
           " (give it as {\"base64\": \"...\"} or choose another --encoding)";
}

bool Reader::number_unsigned(Json::number_unsigned_t v) {
    if (stack_.empty()) return wrong("a number");
    Level& l = top();
    if (l.frame == Frame::Format && l.member == 1) return formatVersion_ = v, true;
    uint32_t* target = l.frame == Frame::Record ? number(l.kind, l.member) : nullptr;
    if (l.frame != Frame::Ids && !target) return wrong("a number");
    if (v > UINT32_MAX) return wrong("a number above 4294967295");
    if (target) *target = static_cast<uint32_t>(v);
    else ids(stack_[stack_.size() - 2].kind, stack_[stack_.size() - 2].member)->append(static_cast<uint32_t>(v));
    if (l.frame == Frame::Ids) ++l.count;
    return true;
}

bool Reader::start_object(std::size_t) {
    if (stack_.empty()) return stack_.push_back({Frame::Root}), true;
    Level& l = top();
    if (l.frame == Frame::Root && l.member == 0) return sawFormat_ = true, stack_.push_back({Frame::Format}), true;
    if (l.frame == Frame::Root && l.member == 2) return stack_.push_back({Frame::Common, kCommon}), true;
    const bool textField = l.frame == Frame::Common || (l.frame == Frame::Record && isText(l.kind, l.member));
    if (textField) return stack_.push_back({Frame::Text, l.kind}), true;
    if (l.frame != Frame::List) return wrong("an object");
    if (++records_ * kJsonRecordCost > budget_) return fail("too many records for the size of the input");
    const Kind kind = l.kind;
    if (kind == kVersion) p_.versions.append(VersionRecord{});
    if (kind == kFeature) p_.features.append(FeatureRecord{});
    if (kind == kBug) p_.bugs.append(BugRecord{});
    stack_.push_back({Frame::Record, kind});
    return true;
}

bool Reader::end_object() {
    if (top().frame == Frame::Text && top().seen == 0) return fail("a text object needs its \"base64\" member");
    stack_.pop_back();
    if (!stack_.empty() && stack_.back().frame == Frame::List) ++stack_.back().count;
    return true;
}

bool Reader::start_array(std::size_t) {
    if (stack_.empty()) return wrong("an array");
    Level& l = top();
    if (l.frame == Frame::Root && l.member >= 3) return stack_.push_back({Frame::List, Kind(l.member - 2)}), true;
    if (l.frame == Frame::Record && ids(l.kind, l.member)) return stack_.push_back({Frame::Ids, l.kind}), true;
    return wrong("an array");
}

bool Reader::end_array() {
    stack_.pop_back();
    return true;
}

bool Reader::finish() {
    stack_.clear();
    pool_.flush();
    if (!sawFormat_ || formatName_ != kJsonFormatName)
        return fail(std::string("not an exported package (its \"format\" is not {\"name\": \"") + kJsonFormatName +
                    "\", ...})");
    if (formatVersion_ < 1 || formatVersion_ > kJsonFormatVersion)
        return fail("format version " + std::to_string(formatVersion_) + " is not one this program reads (1 to " +
                    std::to_string(kJsonFormatVersion) + ")");
    if (!codec_.isOpen() && !openCodec("UTF-8"))
        return false;
    ByteString bytes;
    for (const PendingText& t : pending_) {
        ByteString& field = text(t.kind, t.field, t.index);
        if (codec_.keepsAsIs(field.view())) continue;
        if (!codec_.encode(field.view(), bytes)) {
            const char* kinds[] = {"common", "versions", "features", "bugs"};
            const char* name = membersOf({t.kind == kCommon ? Frame::Common : Frame::Record, t.kind})[t.field];
            error_ = std::string("at .") + kinds[t.kind] + (t.kind == kCommon ? "" : "[" + std::to_string(t.index) + "]") +
                     "." + name + ": " + cannotWrite();
            return false;
        }
        field = std::move(bytes);
    }
    return true;
}

}  // namespace

ByteString& jsonTextField(Package& p, const JsonTextPlace& place) {
    switch (place.kind) {
    case kVersion: return p.versions[place.index].*kVersionJsonFields[place.field].text;
    case kFeature: return p.features[place.index].*kFeatureJsonFields[place.field].text;
    case kBug: return p.bugs[place.index].*kBugJsonFields[place.field].text;
    default: return p.common.field(place.field);
    }
}

void JsonTextPool::store(const JsonTextPlace& place, std::string_view bytes) {
    if (bytes.size() <= ByteString::kInlineCapacity || bytes.size() > kBlock / 4) {
        jsonTextField(p_, place) = ByteString(bytes);
        return;
    }
    if (block_.length() + bytes.size() > kBlock) flush();
    if (block_.capacity() < kBlock) block_.reserve(kBlock);
    pooled_.push_back({place, block_.length(), static_cast<uint32_t>(bytes.size())});
    block_.append(bytes);
}

void JsonTextPool::flush() {
    if (pooled_.empty()) return;
    {
        const ByteString& block = block_;
        ByteString::Sharer sharer(block);
        for (const Pooled& t : pooled_)
            sharer.assign(jsonTextField(p_, t.place), std::string_view(block.data() + t.offset, t.length));
    }
    pooled_.clear();
    block_ = ByteString();  // the fields keep the block alive
}

bool packageFromJson(std::string_view json, const std::string& encoding, Package& p, std::string& error) {
    TextCodec codec;
    if (!encoding.empty() && !codec.open(encoding)) {
        error = "unknown encoding \"" + encoding.substr(0, 64) + "\"";
        return false;
    }
    Package read;
    Reader reader(read, json.size(), codec);
    const bool parsed = Json::sax_parse(json.begin(), json.end(), &reader, Json::input_format_t::json, true);
    if (!parsed || !reader.finish()) {
        error = reader.error();
        return false;
    }
    p = std::move(read);
    return true;
}

bool packageFromJson(ByteString& json, const std::string& encoding, Package& p, std::string& error) {
    if (json.capacity() - json.length() < kJsonPadding && json.length() < ByteString::kMaxLength - kJsonPadding)
        json.reserve(json.length() + kJsonPadding);  // room for the fast parser to read past the end
    switch (readPackageJsonFast(json, encoding, p)) {
    case FastJson::Read: return true;
    case FastJson::OutOfMemory: return error = "not enough memory for the package", false;
    case FastJson::NotTaken: break;
    }
    return packageFromJson(json.view(), encoding, p, error);
}

}  // namespace orv
