// The four bug types the Bug dialog offers, in its order. A file may hold
// any other text; the check warns about it.
#pragma once

namespace orv {

inline constexpr const char* kBugTypes[] = {"Usability", "Performance", "Security", "Crash"};

}  // namespace orv
