// The operating-system line of the system description.
#pragma once

#include "support/byte_string.h"

namespace orv {

// The operating-system line on Linux: the distribution's name followed by
// the kernel, "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0 x86_64)"; the
// kernel alone when there is no distribution name.
ByteString linuxVersionText(const ByteString& prettyName, const ByteString& sysname, const ByteString& release,
                            const ByteString& machine);

// PRETTY_NAME of an os-release file's text, without its quotes; empty when
// the file has none.
ByteString osReleasePrettyName(const ByteString& osRelease);

}  // namespace orv
