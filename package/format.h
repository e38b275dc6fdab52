// The package file: one packed list holding the signature
// "Velmorandistrix", the format version, the common information and the
// versions, features and bugs, each record a nested packed list.
#pragma once

#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

// The first entry of every package file.
inline constexpr const char kPackageSignature[] = "Velmorandistrix";
// The format version that writePackage writes.
inline constexpr uint32_t kPackageFormatVersion = 1;

// Reading never takes more memory than this many times the file's size
// (the file included) plus 1 MiB.
inline constexpr uint32_t kReadMemoryFactor = 32;

// Sets `out` to the file's bytes for `package` and returns true. False,
// with `out` empty, when the file would pass ByteString::kMaxLength (4 GiB)
// or memory runs out.
bool writePackage(const Package& package, ByteString& out);

// What reading a package noticed about the file's end, for callers that
// warn about damaged files. The reader loads what is there either way.
struct PackageReadReport {
    bool endedEarly = false;     // an entry promised more bytes than the file holds, or entries are missing
    uint64_t trailingBytes = 0;  // bytes after the last collection
};

// Reads a whole package file into `package`. False, with `package`
// unchanged, if `content` is empty or its first entry is not exactly the
// signature, and when reading would need more memory than the system gives
// or than kReadMemoryFactor allows (a crafted file: a default record for
// each 4-byte entry). Otherwise true, however the rest looks: the
// collections then hold exactly the file's records (each starting as a
// default record), a collection whose list is missing is left empty, and a
// common information text whose entry is missing keeps its previous value.
// Bytes after the last collection are ignored. The package's texts share
// `content`'s storage rather than copy it. `report`, when given, says
// whether the file ended early or went on after its end.
bool readPackage(Package& package, const ByteString& content, PackageReadReport* report = nullptr);

}  // namespace orv
