// Reads any bytes as the JSON of an exported package. The fast reader must
// take exactly what the exact reader takes, as the same package, and
// whatever is taken must export and import again to the same package file.
#include <cstddef>
#include <cstdint>

#include "app/package_json.h"
#include "package/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    orv::Package first, fast;
    std::string error, fastError;
    const bool exact = orv::packageFromJson(json, "", first, error);  // the JSON's encoding, else UTF-8
    orv::ByteString given(json);
    if (orv::packageFromJson(given, "", fast, fastError) != exact || !(fast == first)) __builtin_trap();
    if (!exact) return 0;
    orv::ByteString file;
    if (!orv::writePackage(first, file)) return 0;

    orv::TextCodec codec;
    codec.open("UTF-8");
    orv::Package second;
    orv::ByteString exported(orv::packageToJson(first, codec));
    if (!orv::packageFromJson(exported, "", second, error)) __builtin_trap();
    orv::ByteString again;
    if (!orv::writePackage(second, again) || again != file) __builtin_trap();
    return 0;
}
