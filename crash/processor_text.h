// The processor line of the system description.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

// Processor feature numbers as the platform numbers them.
enum ProcessorFeature : uint32_t {
    kFeatureFloatingPointPrecisionErrata = 0,
    kFeatureFloatingPointEmulated = 1,
    kFeatureMmx = 3,
    kFeatureSse = 6,
    kFeature3DNow = 7,
    kFeatureRdtsc = 8,
    kFeaturePae = 9,
    kFeatureSse2 = 10,
    kFeatureNx = 12,
    kFeatureSse3 = 13,
};

// The platform's description of the processor: architecture code (0 Intel,
// 5 ARM, 9 AMD64, ...), level (the family), 16-bit revision (model in the
// high byte, stepping in the low byte for current processors) and the set
// of present features, bit n for feature n.
struct ProcessorInfo {
    uint32_t architecture = 0;
    uint32_t level = 0;
    uint32_t revision = 0;
    uint64_t features = 0;

    bool has(uint32_t feature) const { return feature < 64 && (features >> feature) & 1u; }
    void set(uint32_t feature) { features |= uint64_t{1} << feature; }
};

// "Intel Pentium Pro/II/III Model 8 Stepping 3 (MMX, SSE)",
// "AMD64 Level 6 Revision 15363 (SSE2)"; no parenthesis without features.
ByteString processorText(const ProcessorInfo& cpu);

// Fills a ProcessorInfo from the text of /proc/cpuinfo (its first
// processor) and the machine name of the kernel (uname's machine field).
// Flags map to the feature numbers where a counterpart exists.
ProcessorInfo processorFromCpuInfo(const ByteString& cpuinfo, const ByteString& machine);

}  // namespace orv
