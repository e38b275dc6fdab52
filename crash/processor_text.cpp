#include "crash/processor_text.h"

#include "support/numbers.h"

namespace orv {

namespace {

const char* architectureName(uint32_t code) {
    static const char* const kNames[] = {"Intel",
                                         "MIPS",
                                         "Alpha",
                                         "PPC (PowerPC)",
                                         "SHX",
                                         "ARM",
                                         "Intel Itanium",
                                         "Alpha 64-bit",
                                         "Microsoft Intermediate Language (.NET)",
                                         "AMD64",
                                         "Intel (32-bit on 64-bit emulation)"};
    return code < sizeof kNames / sizeof kNames[0] ? kNames[code] : "Unknown CPU";
}

ByteString intelFamily(uint32_t level) {
    switch (level) {
    case 3: return " 386";
    case 4: return " 486";
    case 5: return " Pentium";
    case 6: return " Pentium Pro/II/III";
    case 15: return " Pentium 4";
    default: return " (Unknown Level " + textFromU32(level) + ")";
    }
}

ByteString intelModel(uint32_t level, uint32_t revision) {
    const uint32_t high = (revision >> 8) & 0xFF;
    const uint32_t low = revision & 0xFF;
    ByteString text;
    if (level == 3 || level == 4) {
        if (high == 0xFF) {
            const int32_t model = static_cast<int32_t>((revision >> 4) & 0xF) - 10;
            text = " Model " + textFromI32(model) + " Stepping " + textFromU32(revision & 0xF);
        } else {
            text = ByteString(" Model ") + static_cast<char>('A' + high) + " Stepping " + textFromU32(low);
        }
    } else if (level == 5 || level == 6 || level == 15) {
        if (high != 0) text += " Model " + textFromU32(high);
        if (low != 0) text += " Stepping " + textFromU32(low);
    }
    return text;
}

ByteString featureList(const ProcessorInfo& cpu) {
    struct Named {
        uint32_t feature;
        const char* name;
    };
    static const Named kOrder[] = {
        {kFeatureNx, "Data Execution Prevention (DEP) enabled"},
        {kFeature3DNow, "3DNow!"},
        {kFeatureMmx, "MMX"},
        {kFeatureSse, "SSE"},
        {kFeatureSse2, "SSE2"},
        {kFeatureSse3, "SSE3"},
        {kFeaturePae, "Physical Address Extension (PAE) enabled"},
        {kFeatureRdtsc, "RDTSC"},
        {kFeatureFloatingPointEmulated, "floating-point emulation"},
        {kFeatureFloatingPointPrecisionErrata, "floating-point precision errors"},
    };
    ByteStringList present;
    for (const Named& n : kOrder)
        if (cpu.has(n.feature)) present.emplace_back(n.name);
    if (present.empty()) return {};
    return " (" + join(present, ", ") + ")";
}

// Value of the first "key : value" line of `text` whose key equals `key`.
ByteString cpuInfoValue(const ByteString& text, const char* key) {
    ByteString all = text;
    while (!all.atEnd()) {
        ByteString line = all.readLine();
        const uint32_t colon = line.find(':');
        if (colon == ByteString::npos) {
            if (line.view().find_first_not_of(" \t") == std::string_view::npos) break;  // end of first processor
            continue;
        }
        ByteString name = line.Left(colon);
        name.trim();
        if (name == key) {
            ByteString value = line.Mid(colon + 1);
            value.trim();
            return value;
        }
    }
    return {};
}

uint32_t architectureCode(const ByteString& machine) {
    const std::string_view m = machine.view();
    if (m == "x86_64" || m == "amd64") return 9;
    if (m.size() == 4 && m[0] == 'i' && m.substr(2) == "86") return 0;
    if (m.starts_with("arm") || m == "aarch64") return 5;
    if (m.starts_with("mips")) return 1;
    if (m.starts_with("alpha")) return 2;
    if (m.starts_with("ppc") || m.starts_with("powerpc")) return 3;
    if (m.starts_with("sh")) return 4;
    if (m == "ia64") return 6;
    return 0xFFFF;
}

}  // namespace

ByteString processorText(const ProcessorInfo& cpu) {
    ByteString text = architectureName(cpu.architecture);
    if (cpu.architecture != 0) {
        text += " Level " + textFromU32(cpu.level) + " Revision " + textFromU32(cpu.revision);
    } else {
        text += intelFamily(cpu.level);
        text += intelModel(cpu.level, cpu.revision);
    }
    text += featureList(cpu);
    return text;
}

ProcessorInfo processorFromCpuInfo(const ByteString& cpuinfo, const ByteString& machine) {
    ProcessorInfo cpu;
    cpu.architecture = architectureCode(machine);
    cpu.level = parseU32(cpuInfoValue(cpuinfo, "cpu family"));
    const uint32_t model = parseU32(cpuInfoValue(cpuinfo, "model")) & 0xFF;
    const uint32_t stepping = parseU32(cpuInfoValue(cpuinfo, "stepping")) & 0xFF;
    cpu.revision = model << 8 | stepping;

    ByteString flags = cpuInfoValue(cpuinfo, "flags");
    if (flags.empty()) flags = cpuInfoValue(cpuinfo, "Features");  // ARM
    struct Mapped {
        const char* flag;
        uint32_t feature;
    };
    static const Mapped kFlags[] = {{"nx", kFeatureNx},     {"3dnow", kFeature3DNow}, {"mmx", kFeatureMmx},
                                    {"sse", kFeatureSse},   {"sse2", kFeatureSse2},   {"pni", kFeatureSse3},
                                    {"pae", kFeaturePae},   {"tsc", kFeatureRdtsc}};
    bool hasFpu = false;
    for (const ByteString& flag : split(flags, ' ')) {
        if (flag == "fpu") hasFpu = true;
        for (const Mapped& m : kFlags)
            if (flag == m.flag) cpu.set(m.feature);
    }
    // Only x86 kernels list an "fpu" flag; its absence there means emulation.
    const bool x86 = cpu.architecture == 0 || cpu.architecture == 9;
    if (x86 && !flags.empty() && !hasFpu) cpu.set(kFeatureFloatingPointEmulated);
    if (cpuInfoValue(cpuinfo, "fdiv_bug") == "yes") cpu.set(kFeatureFloatingPointPrecisionErrata);
    return cpu;
}

}  // namespace orv
