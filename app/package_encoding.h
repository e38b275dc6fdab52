// The encoding a package's texts are read in when none is given, the same
// whatever the locale: UTF-8 when every text of the package is UTF-8, else
// windows-1252, what packages made on Windows hold.
#pragma once

#include <string>

#include "package/model.h"

namespace orv {

inline constexpr const char* kWindowsEncoding = "windows-1252";

std::string automaticEncoding(const Package& p);

}  // namespace orv
