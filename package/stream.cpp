#include "package/stream.h"

#include "support/numbers.h"

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

void putLength(char* at, uint32_t n) {
    at[0] = static_cast<char>(n >> 24);
    at[1] = static_cast<char>(n >> 16);
    at[2] = static_cast<char>(n >> 8);
    at[3] = static_cast<char>(n);
}

uint32_t digitCount(uint32_t v) {
    uint32_t n = 1;
    for (; v >= 10; v /= 10) ++n;
    return n;
}

}  // namespace

// ---- Writing ----------------------------------------------------------------

bool PackStream::beginWrite(uint32_t mode, ByteString storage) {
    mode_ = mode;
    open_ = true;
    sharer_ = nullptr;
    ownSharer_.reset();
    buffer_ = std::move(storage);
    buffer_.clear();
    buffer_.append(mode != 0 ? '\x01' : '\x00');
    return true;
}

bool PackStream::reserve(uint64_t bytes) {
    const uint64_t total = buffer_.length() + bytes;
    return total <= ByteString::kMaxLength && buffer_.tryReserve(static_cast<uint32_t>(total));
}

bool PackStream::writeEntry(std::string_view bytes) {
    if (!open_) beginWrite(1);
    if (mode_ != 1 || sharer_ || uint64_t{buffer_.length()} + 4 + bytes.size() > ByteString::kMaxLength)
        return false;
    char length[4];
    putLength(length, static_cast<uint32_t>(bytes.size()));
    buffer_.append(length, 4);
    buffer_.append(bytes);
    return true;
}

bool PackStream::writeNumber(uint32_t value) {
    char digits[10];
    const uint32_t n = digitCount(value);
    for (uint32_t i = n; i-- > 0; value /= 10) digits[i] = static_cast<char>('0' + value % 10);
    return writeEntry(std::string_view(digits, n));
}

uint32_t PackStream::openList() {
    const uint32_t position = buffer_.length();
    return writeEntry(std::string_view("\x01", 1)) ? position : UINT32_MAX;
}

void PackStream::closeList(uint32_t position) {
    if (position >= buffer_.length()) return;
    putLength(buffer_.data() + position, buffer_.length() - position - 4);
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

// ---- Reading ----------------------------------------------------------------

bool PackStream::beginRead(const ByteString& input) {
    open_ = false;
    if (input.empty()) return false;
    buffer_ = input.share(0, input.length());
    ownSharer_.emplace(buffer_);
    beginOn(buffer_.view(), &*ownSharer_);
    return true;
}

bool PackStream::readShort(std::string_view& entry) {
    std::string_view rest(next_, static_cast<size_t>(end_ - next_));
    size_t used = 0;
    const uint32_t length = readLength(rest, used);
    rest.remove_prefix(used);
    entry = rest.substr(0, length);  // nothing is left after a cut length field
    cut_ = true;
    next_ = end_;
    open_ = false;
    return true;
}

bool PackStream::readOddNumber(std::string_view text, uint32_t& value) {
    value = parseU32(text);
    return true;
}

uint32_t PackStream::countEntries() const { return orv::countEntries(list_); }

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

}  // namespace orv
