// The parts of file access that need no system call of their own:
// position arithmetic, reads and writes over the backend's, whole-file
// loading over File, and the Windows path rules.
#include "package/file.h"

#include <climits>

#include "package/file_platform.h"
#include "support/numbers.h"

namespace orv {

bool File::seek(int mode, const ByteString& offset) {
    if (!isOpen()) return false;
    const uint64_t by = parseU64(offset);
    switch (mode) {
    case 0: position_ = by; break;
    case 1: position_ = size_ - by; break;
    case 2: position_ += by; break;
    case 3: position_ -= by; break;
    default: break;
    }
    if (position_ > size_) position_ = size_;
    return true;
}

bool File::close() {
    if (isOpen()) detail::closeHandle(handle_);
    handle_ = kClosed;
    readable_ = writable_ = false;
    lastWriteComplete_ = true;
    lastReadFailed_ = false;
    position_ = size_ = 0;
    return true;
}

bool File::read(ByteString& target, uint32_t count) {
    if (!isOpen() || !readable_) return false;
    auto left = [this] { return position_ >= size_ ? uint64_t{0} : size_ - position_; };
    if (count > left()) {
        refreshSize();
        if (count > left()) count = static_cast<uint32_t>(left());
    }
    // Bytes the read overwrites are not filled first, and a count that
    // memory cannot hold reads nothing and reports the failure.
    ByteString buffer;
    lastReadFailed_ = !buffer.tryResizeForOverwrite(count);
    if (lastReadFailed_) count = 0;
    uint32_t got = 0;
    if (!detail::readAt(handle_, buffer.data(), count, position_, got)) lastReadFailed_ = true;
    buffer.setLength(got);
    target = std::move(buffer);
    position_ += got;
    return true;
}

bool File::write(const ByteString& bytes) {
    if (!isOpen() || !writable_) return false;
    uint64_t written = 0;
    lastWriteComplete_ = detail::writeAt(handle_, bytes.data(), bytes.length(), position_, written);
    position_ += written;
    if (position_ > size_) size_ = position_;
    return true;
}

ByteString File::position() const { return textFromU64(position_); }
ByteString File::size() const { return textFromU64(size_); }

bool loadFile(ByteString& target, const ByteString& path) {
    target = ByteString();
    File file;
    if (!file.open(path, "rb")) return false;
    // A length that does not fit one text must not be cut short silently.
    if (file.sizeValue() > UINT32_MAX) return false;
    ByteString content;
    file.read(content, static_cast<uint32_t>(file.sizeValue()));
    if (file.lastReadFailed()) return false;
    target = std::move(content);
    return true;
}

namespace {

bool isDeviceName(const ByteString& part) {
    for (const char* device : {"NUL", "CON", "AUX", "PRN", "CLOCK$"})
        if (part.equalsNoCase(device)) return true;
    if (part.length() != 4 || part[3] < '0' || part[3] > '9') return false;
    const ByteString stem = part.Left(3);
    return stem.equalsNoCase("LPT") || stem.equalsNoCase("COM");
}

}  // namespace

bool windowsSafePath(ByteString& path) {
    ByteString kept;
    kept.reserve(path.length());
    for (uint32_t i = 0; i < path.length(); ++i) {
        const char c = path[i];
        if (c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') continue;
        kept.append(c == '/' ? '\\' : c);
    }
    ByteStringList parts;
    for (ByteString& part : split(kept, '\\'))
        if (!isDeviceName(part)) parts.push_back(std::move(part));
    path = join(parts, "\\");
    return true;
}

}  // namespace orv
