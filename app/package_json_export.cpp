#include <nlohmann/json.hpp>

#include "app/common_fields.h"
#include "app/package_json_fields.h"
#include "app/package_json.h"
#include "net/base64.h"

namespace orv {

namespace {

using Json = nlohmann::ordered_json;

class Exporter {
public:
    explicit Exporter(TextCodec& codec) : codec_(codec) {}

    Json text(const ByteString& bytes) {
        if (codec_.decode(bytes.view(), scratch_)) return Json(scratch_);
        return Json{{"base64", base64Encode(bytes).toStdString()}};
    }

    template <typename R, size_t N>
    Json record(const R& r, const JsonField<R> (&fields)[N]) {
        Json o = Json::object();
        for (const JsonField<R>& f : fields) {
            if (f.text) o[f.name] = text(r.*f.text);
            else if (f.number) o[f.name] = r.*f.number;
            else o[f.name] = Json((r.*f.ids).items());
        }
        return o;
    }

    // A list of records, one record a line.
    template <typename R, size_t N>
    void list(std::string& out, const char* name, const RecordArray<R>& records, const JsonField<R> (&fields)[N]) {
        out += "  \"";
        out += name;
        out += "\": [";
        const char* separator = "\n    ";
        for (const R& r : records) {
            out += separator;
            out += dump(record(r, fields));
            separator = ",\n    ";
        }
        out += records.empty() ? "]" : "\n  ]";
    }

    static std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

private:
    TextCodec& codec_;
    std::string scratch_;
};

}  // namespace

std::string packageToJson(const Package& p, TextCodec& codec) {
    Exporter e(codec);
    std::string out = "{\n  \"format\": ";
    out += Exporter::dump(Json{{"name", kJsonFormatName}, {"version", kJsonFormatVersion}});
    out += ",\n  \"encoding\": " + Exporter::dump(Json(codec.name()));
    out += ",\n  \"common\": {";
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        out += i ? ",\n    \"" : "\n    \"";
        out += commonFields()[i].name;
        out += "\": " + Exporter::dump(e.text(p.common.field(i)));
    }
    out += "\n  },\n";
    e.list(out, "versions", p.versions, kVersionJsonFields);
    out += ",\n";
    e.list(out, "features", p.features, kFeatureJsonFields);
    out += ",\n";
    e.list(out, "bugs", p.bugs, kBugJsonFields);
    out += "\n}\n";
    return out;
}

}  // namespace orv
