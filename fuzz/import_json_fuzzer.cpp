// Reads any bytes as the JSON of an exported package. Whatever the reader
// accepts must export and import again to the same package file.
#include <cstddef>
#include <cstdint>

#include "app/package_json.h"
#include "package/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    orv::Package first;
    std::string error;
    if (!orv::packageFromJson(json, "", first, error)) return 0;  // the JSON's encoding, else the locale's
    orv::ByteString file;
    if (!orv::writePackage(first, file)) return 0;

    orv::TextCodec codec;
    codec.open("UTF-8");
    orv::Package second;
    if (!orv::packageFromJson(orv::packageToJson(first, codec), "", second, error)) __builtin_trap();
    orv::ByteString again;
    if (!orv::writePackage(second, again) || again != file) __builtin_trap();
    return 0;
}
