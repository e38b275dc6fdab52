// The faults in a package that break updaters, found without changing it:
// references to ids no record holds, duplicate ids and id 0, release dates
// that are not dates or not in list order, file sizes that are not positive
// numbers, versions without a version text or sharing one, download
// locations that are not web links, free-upgrade lists that name their own
// version, severities outside 1 to 5 and links that are not web or mail
// links; a bug type other than the four the editor offers is a warning.
// Online, also links that do not answer with success and file sizes that
// differ from what the download location reports. An empty optional field
// (a link, a date) is never a fault.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "app/download_size.h"
#include "package/format.h"
#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

enum class Subject { File, Common, Version, Feature, Bug };

enum class Fault {
    MissingReference,  // an id that no record of the kind holds
    DuplicateId,       // an id an earlier record of the kind holds too
    ZeroId,            // id 0, which names no record
    SelfUpgrade,       // a version's free-upgrade list names the version
    BadDate,           // a release date that is not "YYYY-MM-DD HH:MM:SS"
    DateOrder,         // a release date earlier than the version before
    BadFileSize,       // a file size that is not a positive decimal number
    BadLink,           // not a web link (or not an address, in a mail field)
    EmptyVersion,      // a version without a version text
    DuplicateVersion,  // a version text an earlier version has too
    BadSeverity,       // a severity outside 1 to 5
    UnknownType,       // a bug type none of the four (a warning)
    LinkFails,         // online: the link does not answer with success
    SizeDiffers,       // online: the download location reports another size
    ChangedSinceDigest,  // online: size, ETag or Last-Modified differ from the digest file's
    EndedEarly,        // the file ends before the package does
    TrailingBytes,     // bytes follow the package's end
};

enum class Level { Fault, Warning };

struct Finding {
    Subject subject = Subject::Common;
    uint32_t position = 0;  // in its list, from 0; 0 for the common information
    uint32_t id = 0;
    // How people know the record: a version's text, a feature's or bug's
    // title; empty for the common information.
    ByteString name;
    const char* field = "";  // the field's name in the model ("freeUpgrades")
    Fault fault = Fault::MissingReference;
    Level level = Level::Fault;
    // One sentence saying what is wrong; it may quote texts of the package
    // or of a server, which are bytes of any value.
    ByteString message;
    // How many times the record's field has this very fault in a row (a
    // list naming a missing id a million times is one finding).
    uint64_t count = 1;
};

// "file", "common", "version", "feature", "bug".
const char* subjectName(Subject s);
// "missing-reference", "duplicate-id", ...: stable names for scripts.
const char* faultName(Fault f);
// "fault", "warning".
const char* levelName(Level l);

// Every offline finding, record by record in list order (common
// information, versions, features, bugs), each handed to `found` as soon
// as it is complete: the check keeps a few bytes per record besides.
void checkPackage(const Package& p, const std::function<void(const Finding&)>& found);
std::vector<Finding> checkPackage(const Package& p);

// What the reader noticed about the file's end, as findings of the file.
std::vector<Finding> fileFindings(const PackageReadReport& report);

// Whether a link answers with success; `message` says why not.
struct LinkAnswer {
    bool ok = false;
    ByteString message;
};

// What the online check asks the network; the program hands in the
// editor's own download-size exchange, tests hand in their own.
struct OnlineProbes {
    std::function<DownloadSizeResult(const ByteString& location)> downloadSize;
    std::function<LinkAnswer(const ByteString& link)> answers;
};

// The online faults: each version's location through `downloadSize` (a
// failure is LinkFails, a size other than the stored number SizeDiffers),
// every other web link through `answers`. Only links that pass the offline
// check are asked, each distinct link once.
std::vector<Finding> checkPackageOnline(const Package& p, const OnlineProbes& probes);

// An "http://" or "https://" link (scheme in any letter case) with a host,
// without blanks or control characters.
bool isWebLink(const ByteString& text);
// A bare e-mail address "local@domain" as a mail field holds it: one "@",
// neither side empty, a dot-separated domain, no blanks or control
// characters and none of the characters that would break a mailto link.
bool isMailAddress(const ByteString& text);
// One or more decimal digits and nothing else.
bool isDecimalNumber(const ByteString& text);
// A decimal number of bytes above 0 that fits 64 bits ("007" is 7).
bool isPositiveSize(const ByteString& text);

}  // namespace orv
