// Writes the seed corpus of the package reader's fuzzer: small package
// files made by the program's own writer. Not part of the build; run by hand
// after a change to the file format, from the source folder:
//   c++ -std=c++20 -I. fuzz/make_package_corpus.cpp package/format.cpp
//       package/stream.cpp package/model.cpp support/byte_string.cpp
//       support/numbers.cpp support/decimal.cpp -o /tmp/make_corpus
//   /tmp/make_corpus fuzz/corpus/read_package
#include <cstdio>
#include <string>

#include "package/format.h"
#include "support/numbers.h"

using namespace orv;

namespace {

bool save(const std::string& folder, const char* name, const Package& p) {
    ByteString bytes;
    writePackage(p, bytes);
    const std::string path = folder + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.length(), f) == bytes.length();
    return std::fclose(f) == 0 && ok;
}

Package product(uint32_t versions, uint32_t features, uint32_t bugs) {
    Package p;
    p.common.company = "Northwind Utilities";
    p.common.product = "Tidewater Backup";
    p.common.productLink = "http://www.example.com/tidewater/";
    p.common.productDescription = "Copies your documents to any disk,\r\nkeeps older versions.";
    p.common.companyEmail = "info@example.com";
    p.common.techSupportPhone = "+1 555 0100";
    for (uint32_t i = 1; i <= versions; ++i) {
        VersionRecord& v = p.versions.at(i - 1);
        v.id = i;
        v.version = "1." + textFromU32(i);
        v.location = "http://www.example.com/download/tidewater-1." + textFromU32(i) + ".exe";
        v.fileSize = textFromU32(1048576 + i * 4096);
        v.screenshot = "http://www.example.com/shot.png";
        v.releaseDate = "2024-0" + textFromU32(i % 9 + 1) + "-15 00:00:00";
        for (uint32_t k = 1; k < i; ++k) v.freeUpgrades.append(k);
        v.freeUpgradeDays = 30 + i;
    }
    for (uint32_t i = 1; i <= features; ++i) {
        FeatureRecord& f = p.features.at(i - 1);
        f.id = i;
        f.title = "Feature " + textFromU32(i);
        f.description = "Does one thing well.\r\nAnd another.";
        for (uint32_t k = i; k <= versions; ++k) f.versions.append(k);
    }
    static const char* const kTypes[] = {"Usability", "Performance", "Security", "Crash"};
    for (uint32_t i = 1; i <= bugs; ++i) {
        BugRecord& b = p.bugs.at(i - 1);
        b.id = i;
        b.title = "Bug " + textFromU32(i);
        b.severity = i % 5 + 1;
        b.type = kTypes[i % 4];
        b.introduced = 1;
        b.fixed = i % 2 ? versions : 0;
        b.affectedFeatures.append(i % (features + 1));
    }
    return p;
}

Package oddValues() {
    Package p = product(3, 1, 2);
    p.versions.swapItems(0, 2);
    p.versions.at(1).reservedText = ByteString("\0\xFF\r\n", 4);
    p.bugs.at(0).severity = 9;
    p.bugs.at(0).type = "Cosmic rays";
    p.bugs.at(1).id = 4294967295u;
    p.features.at(0).description = ByteString("nul\0inside", 10);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    const bool ok = save(folder, "empty.dat", Package()) && save(folder, "small.dat", product(1, 1, 1)) &&
                    save(folder, "product.dat", product(6, 4, 5)) && save(folder, "odd_values.dat", oddValues());
    if (!ok) std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
