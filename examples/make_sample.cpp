// Writes the sample package examples/sample.dat (or the path given as the
// first argument): a small product with a few versions and free upgrades,
// features across versions, and bugs of every type and severity.
#include <cstdio>

#include "app/editing.h"
#include "package/file.h"
#include "package/format.h"

using namespace orv;

namespace {

void fillCommon(CommonInfo& c) {
    c.company = "Northwind Utilities";
    c.product = "Tidewater Backup";
    c.productLink = "http://www.example.com/tidewater/";
    c.productDescription = "Tidewater Backup copies your documents to any disk or network share,\r\n"
                           "keeps older versions and restores them with two clicks.";
    c.upsellLink = "http://www.example.com/tidewater/pro/";
    c.upsellDescription = "Tidewater Backup Pro adds scheduled and encrypted backups.";
    c.companyAddress = "Northwind Utilities\r\n12 Harbour Road\r\nPortsmouth PO1 2AB\r\nUnited Kingdom";
    c.companyPhone = "+44 23 9200 0000";
    c.companyEmail = "info@example.com";
    c.companyLink = "http://www.example.com/";
    c.salesPhone = "+44 23 9200 0001";
    c.salesEmail = "sales@example.com";
    c.techSupportPhone = "+44 23 9200 0002";
    c.techSupportEmail = "support@example.com";
}

VersionRecord version(const char* text, const char* date, const char* size, IdList freeUpgrades, uint32_t days) {
    VersionRecord v;
    v.version = text;
    v.releaseDate = date;
    v.location = ByteString("http://downloads.example.com/tidewater/tidewater-") + text + "-setup.exe";
    v.fileSize = size;
    v.screenshot = ByteString("http://www.example.com/tidewater/shots/") + text + ".png";
    v.thumbnail = ByteString("http://www.example.com/tidewater/shots/") + text + "-small.png";
    v.freeUpgrades = std::move(freeUpgrades);
    v.freeUpgradeDays = days;
    return v;
}

FeatureRecord feature(const char* title, const char* description, IdList versions) {
    FeatureRecord f;
    f.title = title;
    f.description = description;
    f.versions = std::move(versions);
    return f;
}

BugRecord bug(const char* title, const char* description, uint32_t severity, const char* type,
              uint32_t introduced, uint32_t discovered, uint32_t fixed, IdList features) {
    BugRecord b;
    b.title = title;
    b.description = description;
    b.severity = severity;
    b.type = type;
    b.introduced = introduced;
    b.discovered = discovered;
    b.fixed = fixed;
    b.affectedFeatures = std::move(features);
    return b;
}

Package samplePackage() {
    Package p;
    fillCommon(p.common);
    // Versions get ids 1 to 4 in this order.
    addVersion(p, version("1.0", "2006-03-01 00:00:00", "2457600", {}, 30), false);
    addVersion(p, version("1.1", "2006-09-15 00:00:00", "2519040", {1}, 30), false);
    addVersion(p, version("1.2", "2007-05-14 00:00:00", "2641920", {1, 2}, 45), false);
    addVersion(p, version("2.0", "2008-01-21 00:00:00", "3891200", {3}, 60), false);
    p.versions.at(3).screenshot.clear();  // a version without screenshot

    addFeature(p, feature("Full and incremental backups",
                          "Copies everything once, then only what changed since the last backup.", {1, 2, 3, 4}));
    addFeature(p, feature("Restore older versions",
                          "Every backup keeps the previous copies of changed files.\r\n"
                          "Pick a date and restore the files as they were.",
                          {2, 3, 4}));
    addFeature(p, feature("Network shares", "Back up to any shared folder on the local network.", {3, 4}));
    addFeature(p, feature("Backup reports by e-mail", "Sends a short report after each scheduled backup.", {4}));
    p.features.at(0).screenshot = "http://www.example.com/tidewater/shots/backup.png";

    addBug(p, bug("Slow start with many files", "Starting takes minutes when the backup holds over 100,000 files.", 2,
                  "Performance", 1, 2, 3, {1}));
    addBug(p, bug("Crash on empty source folder", "Backing up a folder without files ends the program.", 5, "Crash",
                  1, 1, 2, {1}));
    addBug(p, bug("Password shown in log", "The share password appears in plain text in the backup log.", 4,
                  "Security", 3, 3, 4, {3}));
    addBug(p, bug("Restore button hard to find", "The Restore button sits below the fold on small screens.", 1,
                  "Usability", 2, 3, 0, {2}));
    addBug(p, bug("Report sent twice", "Some mail servers receive every report twice.", 3, "Usability", 4, 4, 0,
                  {4}));
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    const char* name = argc > 1 ? argv[1] : "examples/sample.dat";
    ByteString content;
    if (!writePackage(samplePackage(), content) || !saveFile(content, name)) {
        std::fprintf(stderr, "make_sample: cannot write %s\n", name);
        return 1;
    }
    std::printf("make_sample: wrote %s\n", name);
    return 0;
}
