// The packed list: the program's one serialisation format.
//
// A packed list is a kind byte (0x01 = single entries, 0x00 = pairs; any
// non-zero value counts as 0x01) followed by entries back to back. An entry
// is a 4-byte big-endian length L and L bytes of content. Texts are stored
// as they are, numbers as decimal text, id lists and records as nested
// packed lists. The list has no count and no terminator.
//
// Readers are lenient: a length that promises more than the list holds is
// clamped to what remains, and nothing is ever reported as malformed.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/byte_string.h"

namespace orv {

// Writes or reads one packed list held in memory. Each nested list is
// written or read by a stream of its own.
class PackStream {
public:
    // Starts a new list of the given kind: the buffer becomes the single
    // kind byte (0x01 if mode is non-zero, else 0x00). Returns true.
    bool beginWrite(uint32_t mode);
    // Appends one entry holding `text`; begins a list of kind 1 first if the
    // stream is not open. False, appending nothing, if the mode is not 1.
    bool writeEntry(const ByteString& text);
    // Marks the stream not open. Returns true.
    bool finish();
    // Hands the whole list, kind byte included, to `out` and empties the
    // buffer.
    void takeOutput(ByteString& out);

    // Starts reading `input`, a whole packed list. False for an empty input
    // (the stream stays closed). Otherwise true; the stream is open only if
    // the list holds at least one byte after its kind byte.
    bool beginRead(const ByteString& input);
    // Reads the next entry into `target`. False, leaving `target` untouched,
    // if the stream is not open or its list is of pairs. An entry cut short
    // by the end of the list is returned shortened and ends the list.
    bool readEntry(ByteString& target);

    uint32_t mode() const { return mode_; }
    bool isOpen() const { return open_; }

private:
    uint32_t mode_ = 0;
    bool open_ = false;
    ByteString buffer_;
    uint32_t offset_ = 0;
};

// Number of entries (of pairs, for a list of kind 0x00) in a whole packed
// list, kind byte included. A last entry that runs past the end of the list
// is counted; a length so large that the entry would end beyond the list
// ends the count there. 0 for the empty text and for a lone kind byte.
uint32_t countEntries(const ByteString& list);
uint32_t countEntries(std::string_view list);

// A read-only cursor over a packed list held elsewhere, with the same
// results as PackStream::readEntry but without copying: each entry is a
// view into the list, valid as long as the list's bytes are.
class PackCursor {
public:
    PackCursor() = default;
    // Same as PackStream::beginRead: false only for an empty list.
    bool begin(std::string_view list);
    // Same as PackStream::readEntry; `entry` is untouched on false.
    bool next(std::string_view& entry) {
        if (!open_) return false;
        if (rest_.size() < 4) return nextShort(entry);
        const auto* b = reinterpret_cast<const unsigned char*>(rest_.data());
        const size_t length = (size_t{b[0]} << 24) | (size_t{b[1]} << 16) | (size_t{b[2]} << 8) | size_t{b[3]};
        const size_t take = length < rest_.size() - 4 ? length : rest_.size() - 4;
        entry = rest_.substr(4, take);
        rest_.remove_prefix(4 + take);
        open_ = !rest_.empty();
        return true;
    }
    bool isOpen() const { return open_; }

private:
    bool nextShort(std::string_view& entry);  // fewer than 4 bytes left

    std::string_view rest_;
    bool open_ = false;
};

}  // namespace orv
