// What the two JSON readers of a package share: the exact reader
// (package_json_import.cpp), which explains every refusal, and the fast
// one (package_json_fast.cpp), which takes well-formed exports and hands
// anything else to the exact one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/package_json_fields.h"
#include "package/model.h"

namespace orv {

enum JsonKind : uint8_t { kJsonCommon, kJsonVersion, kJsonFeature, kJsonBug };

// Records take memory out of proportion to their JSON ("{}" makes a
// record of some 300 bytes): a crafted input of empty records must not make
// the import take more than 64 times its size (plus 1 MiB) for records,
// counting the slack of a growing list. A record of 10 bytes or more of
// JSON always fits.
inline constexpr uint64_t kJsonRecordCost =
    2 * std::max({sizeof(VersionRecord), sizeof(FeatureRecord), sizeof(BugRecord)});
inline uint64_t jsonRecordBudget(size_t inputSize) { return 64 * uint64_t{inputSize} + (1u << 20); }

// One text field of the package being read: its kind, its field's index
// among the kind's JSON fields (or the common field's), its record.
struct JsonTextPlace {
    JsonKind kind;
    uint8_t field;
    uint32_t index;
};

// The field a place names.
ByteString& jsonTextField(Package& p, const JsonTextPlace& place);

// Texts are stored as they are read. Short texts live in their fields;
// longer ones are gathered in large blocks that the fields then share, so
// a package of many texts costs a few allocations instead of one each.
// Places, not addresses, are kept: the record lists still grow.
class JsonTextPool {
public:
    explicit JsonTextPool(Package& p) : p_(p) {}
    void store(const JsonTextPlace& place, std::string_view bytes);
    // Hands the gathered texts to their fields; call before the package is used.
    void flush();

private:
    struct Pooled {
        JsonTextPlace place;
        uint32_t offset;
        uint32_t length;
    };
    static constexpr uint32_t kBlock = 2u << 20;
    Package& p_;
    ByteString block_;
    std::vector<Pooled> pooled_;
};

// The fast reader. Read: `p` holds the export, taken as the exact reader
// would take it, and `json` has been emptied to make room. NotTaken: the
// exact reader must decide; `json` is untouched. OutOfMemory: building the
// package ran out after `json` was emptied. Only a text whose buffer has
// 64 bytes to spare after it (see ByteString::capacity) is taken.
enum class FastJson { Read, NotTaken, OutOfMemory };
FastJson readPackageJsonFast(ByteString& json, const std::string& encoding, Package& p);
inline constexpr uint32_t kJsonPadding = 64;

}  // namespace orv
