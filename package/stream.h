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
#include <optional>
#include <string_view>

#include "support/byte_string.h"

namespace orv {

// Writes or reads one packed list held in memory. This is the one
// encoder and decoder of the format: the package file's writer and reader
// are built on it.
//
// Nested lists are written in place (openList/closeList) and read in place
// (readList): a nested stream reads its parent's bytes and must not outlive
// the parent's input. Texts that reading hands out share the input's
// storage instead of copying it.
class PackStream {
public:
    PackStream() = default;
    PackStream(const PackStream&) = delete;
    PackStream& operator=(const PackStream&) = delete;

    // ---- Writing ----------------------------------------------------------

    // Starts a new list of the given kind: the buffer becomes the single
    // kind byte (0x01 if mode is non-zero, else 0x00), built in `storage`'s
    // memory if one is given. Returns true.
    bool beginWrite(uint32_t mode, ByteString storage = {});
    // Room for `bytes` more without growing; false when memory runs out or
    // the list would pass ByteString::kMaxLength.
    bool reserve(uint64_t bytes);
    // Appends one entry holding `text`; begins a list of kind 1 first if the
    // stream is not open. False, appending nothing, if the mode is not 1 or
    // the list would pass ByteString::kMaxLength.
    bool writeEntry(const ByteString& text) { return writeEntry(text.view()); }
    bool writeEntry(std::string_view bytes);
    bool writeEntry(const char* text) { return writeEntry(std::string_view(text)); }
    // An entry holding the number in decimal ("0" for zero).
    bool writeNumber(uint32_t value);
    // Starts a nested list of kind 1 as the next entry and returns the
    // position that closeList needs, or UINT32_MAX where writeEntry would
    // fail. Entries written until closeList belong to the nested list.
    uint32_t openList();
    void closeList(uint32_t position);
    // Marks the stream not open. Returns true.
    bool finish();
    // Hands the whole list, kind byte included, to `out` and empties the
    // buffer.
    void takeOutput(ByteString& out);

    // ---- Reading ----------------------------------------------------------

    // Starts reading `input`, a whole packed list. False for an empty input
    // (the stream stays closed). Otherwise true; the stream is open only if
    // the list holds at least one byte after its kind byte.
    bool beginRead(const ByteString& input);
    // Reads the next entry into `target`. False, leaving `target` untouched,
    // if the stream is not open or its list is of pairs. An entry cut short
    // by the end of the list is returned shortened and ends the list.
    bool readEntry(ByteString& target) {
        std::string_view entry;
        if (!readView(entry)) return false;
        sharer_->assign(target, entry);
        return true;
    }
    // The same, as a view of the entry's bytes in the input.
    bool readView(std::string_view& entry) {
        if (!open_ || mode_ != 1 || !sharer_) return false;
        const size_t left = static_cast<size_t>(end_ - next_);
        if (left < 4) return readShort(entry);
        const auto* b = reinterpret_cast<const unsigned char*>(next_);
        const size_t length = (size_t{b[0]} << 24) | (size_t{b[1]} << 16) | (size_t{b[2]} << 8) | size_t{b[3]};
        const size_t take = length < left - 4 ? length : left - 4;
        cut_ |= take != length;
        entry = std::string_view(next_ + 4, take);
        next_ += 4 + take;
        open_ = next_ != end_;
        return true;
    }
    // Reads the next entry as a number (see parseU32); `value` is untouched
    // when there is none.
    bool readNumber(uint32_t& value) {
        std::string_view text;
        if (!readView(text)) return false;
        // Plain digits that cannot wrap are the usual case.
        uint32_t v = 0;
        for (char c : text) {
            const uint32_t digit = static_cast<uint32_t>(static_cast<unsigned char>(c)) - '0';
            if (digit > 9 || text.size() > 9) return readOddNumber(text, value);
            v = v * 10 + digit;
        }
        value = v;
        return true;
    }
    // Reads the next entry as a nested list and begins `nested` on it, as
    // beginRead would. False, leaving `nested` as it was, when there is no
    // entry.
    bool readList(PackStream& nested) {
        std::string_view list;
        if (!readView(list)) return false;
        nested.open_ = false;
        nested.cut_ = false;
        nested.list_ = list;
        nested.sharer_ = sharer_;
        if (!list.empty()) nested.beginOn(list, sharer_);
        return true;
    }
    // countEntries of the list being read.
    uint32_t countEntries() const;
    // The size of the list being read, and the most entries it can hold
    // (4 bytes at least each).
    uint64_t size() const { return list_.size(); }
    uint64_t countBound() const { return list_.size() / 4 + 1; }

    uint32_t mode() const { return mode_; }
    bool isOpen() const { return open_; }
    // Whether an entry read from this list (not from lists nested in it)
    // promised more bytes than the list still held: the list was cut short.
    bool cutShort() const { return cut_; }
    // The bytes of the list not read yet.
    uint64_t bytesLeft() const { return open_ ? static_cast<uint64_t>(end_ - next_) : 0; }

private:
    bool readShort(std::string_view& entry);  // fewer than 4 bytes left
    bool readOddNumber(std::string_view text, uint32_t& value);
    void beginOn(std::string_view list, ByteString::Sharer* sharer) {
        list_ = list;
        cut_ = false;
        mode_ = list[0] != 0 ? 1 : 0;
        next_ = list.data() + 1;
        end_ = list.data() + list.size();
        open_ = next_ != end_;
        sharer_ = sharer;
    }

    uint32_t mode_ = 0;
    bool open_ = false;
    bool cut_ = false;
    ByteString buffer_;  // writing: the list so far; reading: the input
    // Reading: the whole list, the next entry and the end.
    std::string_view list_;
    const char* next_ = nullptr;
    const char* end_ = nullptr;
    ByteString::Sharer* sharer_ = nullptr;  // the outermost stream's
    std::optional<ByteString::Sharer> ownSharer_;
};

// Number of entries (of pairs, for a list of kind 0x00) in a whole packed
// list, kind byte included. A last entry that runs past the end of the list
// is counted; a length so large that the entry would end beyond the list
// ends the count there. 0 for the empty text and for a lone kind byte. On a
// list of kind 1 it is the number of entries readEntry gives.
uint32_t countEntries(const ByteString& list);
uint32_t countEntries(std::string_view list);

}  // namespace orv
