#include "app/package_encoding.h"

#include "app/package_json_fields.h"
#include "app/text_codec.h"

namespace orv {

namespace {

template <typename R, size_t N>
bool allUtf8(const RecordArray<R>& records, const JsonField<R> (&fields)[N]) {
    for (const R& r : records) {
        for (const JsonField<R>& f : fields) {
            if (f.text && !isValidUtf8((r.*f.text).view())) return false;
        }
    }
    return true;
}

}  // namespace

std::string automaticEncoding(const Package& p) {
    bool utf8 = true;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount && utf8; ++i) utf8 = isValidUtf8(p.common.field(i).view());
    utf8 = utf8 && allUtf8(p.versions, kVersionJsonFields) && allUtf8(p.features, kFeatureJsonFields) &&
           allUtf8(p.bugs, kBugJsonFields);
    return utf8 ? "UTF-8" : kWindowsEncoding;
}

}  // namespace orv
