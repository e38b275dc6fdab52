// Number conversions in the forms the package file, the dialogs and the
// system description rely on: plain decimal, no fill, no separators.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

ByteString textFromU16(uint16_t v);
ByteString textFromI32(int32_t v);
ByteString textFromU32(uint32_t v);
ByteString textFromU64(uint64_t v);
ByteString textFromDouble(double v);  // as "%.10lf"

// Append forms: write at `pos` (overwriting or extending) and advance it.
void appendU16(ByteString& out, uint32_t& pos, uint16_t v);
void appendU32(ByteString& out, uint32_t& pos, uint32_t v);
void appendU64(ByteString& out, uint32_t& pos, uint64_t v);
void appendI32(ByteString& out, uint32_t& pos, int32_t v);
void appendDouble(ByteString& out, uint32_t& pos, double v);  // as "%.10lf"

// Text to number: skips blank, tab, CR, LF and 0 bytes, takes one optional
// sign, then digits up to the first non-digit. Wraps modulo 2^32 (2^64);
// "-" negates in two's complement. No digits give 0; never fails.
uint32_t parseU32(std::string_view text);
uint64_t parseU64(std::string_view text);
inline uint32_t parseU32(const ByteString& t) { return parseU32(t.view()); }
inline uint64_t parseU64(const ByteString& t) { return parseU64(t.view()); }
inline uint32_t parseU32(const char* t) { return parseU32(std::string_view(t ? t : "")); }
inline uint64_t parseU64(const char* t) { return parseU64(std::string_view(t ? t : "")); }

// A byte buffer read as one unsigned integer, written in decimal.
ByteString bytesToDecimal(const unsigned char* bytes, uint32_t n, bool mostSignificantFirst);

// Byte-size text: "1,023 Bytes", "1.50KB", "3.00GB". unitChoice 0 picks the
// unit by size; 1..8 force Bytes..ZB; anything else forces YB.
ByteString FormatByteSize(const ByteString& number, uint32_t unitChoice);

}  // namespace orv
