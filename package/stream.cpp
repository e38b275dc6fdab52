#include "package/stream.h"

namespace orv {

namespace {

// Big-endian value of up to four bytes at the front of `bytes`; fewer bytes
// give the value of those that are there, none gives 0.
uint32_t readLength(std::string_view bytes, size_t& used) {
    used = bytes.size() < 4 ? bytes.size() : 4;
    uint32_t value = 0;
    for (size_t i = 0; i < used; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

void appendLength(ByteString& out, uint32_t n) {
    const char bytes[4] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                           static_cast<char>(n)};
    out.append(bytes, 4);
}

// Takes the next entry off the front of `rest`, clamped to what remains.
std::string_view takeEntry(std::string_view& rest) {
    size_t used = 0;
    const uint32_t length = readLength(rest, used);
    rest.remove_prefix(used);
    const size_t take = length < rest.size() ? length : rest.size();
    std::string_view entry = rest.substr(0, take);
    rest.remove_prefix(take);
    return entry;
}

}  // namespace

bool PackStream::beginWrite(uint32_t mode) {
    mode_ = mode;
    open_ = true;
    buffer_.clear();
    buffer_.append(mode != 0 ? '\x01' : '\x00');
    return true;
}

bool PackStream::writeEntry(const ByteString& text) {
    if (!open_) beginWrite(1);
    if (mode_ != 1) return false;
    appendLength(buffer_, text.length());
    buffer_.append(text);
    return true;
}

bool PackStream::finish() {
    open_ = false;
    return true;
}

void PackStream::takeOutput(ByteString& out) {
    out = std::move(buffer_);
    buffer_ = ByteString();
    out.seekCursor(0, 0);
}

bool PackStream::beginRead(const ByteString& input) {
    open_ = false;
    if (input.empty()) return false;
    mode_ = input.byteAt(0) != 0 ? 1 : 0;
    buffer_ = input.Mid(1);
    offset_ = 0;
    open_ = !buffer_.empty();
    return true;
}

bool PackStream::readEntry(ByteString& target) {
    if (!open_ || mode_ != 1) return false;
    std::string_view rest = buffer_.view().substr(offset_);
    const std::string_view entry = takeEntry(rest);
    target = ByteString(entry);
    offset_ = buffer_.length() - static_cast<uint32_t>(rest.size());
    if (rest.empty()) {
        open_ = false;
        buffer_ = ByteString();
        offset_ = 0;
    }
    return true;
}

uint32_t countEntries(const ByteString& list) { return countEntries(list.view()); }

uint32_t countEntries(std::string_view list) {
    if (list.size() <= 1) return 0;
    const int perElement = list[0] == 0 ? 2 : 1;
    // 64-bit positions: a huge length moves past the end instead of wrapping
    // round and stalling, so the count never exceeds the length fields that
    // fit in the list.
    const uint64_t end = list.size();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(list.data());
    // Each length field depends on the one before, so a long list is a chain
    // of cache misses; fetching the bytes ahead of the chain turns it into a
    // sequential read.
    constexpr uint64_t kAhead = 4096;
    uint64_t fetched = end > kAhead ? 0 : end;
    uint64_t p = 1;
    uint32_t count = 0;
    while (p < end) {
        for (int k = 0; k < perElement && p < end; ++k) {
            for (; fetched < end && fetched < p + kAhead; fetched += 64) __builtin_prefetch(bytes + fetched);
            uint32_t length;
            if (end - p >= 4) {
                length = (uint32_t{bytes[p]} << 24) | (uint32_t{bytes[p + 1]} << 16) |
                         (uint32_t{bytes[p + 2]} << 8) | uint32_t{bytes[p + 3]};
            } else {
                size_t used = 0;
                length = readLength(list.substr(static_cast<size_t>(p)), used);
            }
            p += 4 + static_cast<uint64_t>(length);
        }
        ++count;
    }
    return count;
}

bool PackCursor::begin(std::string_view list) {
    open_ = false;
    if (list.empty()) return false;
    rest_ = list.substr(1);
    open_ = list[0] != 0 && !rest_.empty();
    return true;
}

bool PackCursor::nextShort(std::string_view& entry) {
    entry = takeEntry(rest_);
    if (rest_.empty()) open_ = false;
    return true;
}

}  // namespace orv
