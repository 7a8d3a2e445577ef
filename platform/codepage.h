// Code page 932 (Shift-JIS) conversions for tag text, Path.dat and the reference text.
//
// Program strings are UTF-16; one "character" is one UTF-16 code unit. The tables are
// built once from iconv "CP932" and completed with the five single bytes that code
// page 932 maps but iconv rejects (0x80, 0xA0, 0xFD, 0xFE, 0xFF).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vq::cp932 {

inline constexpr char16_t kReplacement = u'\uFFFD';

// True for 0x81-0x9F and 0xE0-0xFC, the lead bytes of double-byte characters.
bool IsLeadByte(std::uint8_t b);

// The character of one byte, U+FFFD when the code page does not define it
// (a lead byte alone is undefined).
char16_t DecodeSingle(std::uint8_t b);

// The character of a lead/trail pair, U+FFFD when the pair is undefined.
char16_t DecodePair(std::uint8_t lead, std::uint8_t trail);

// Decodes a whole byte string: a lead byte takes the next byte with it; any byte or
// pair the code page does not define becomes one U+FFFD and decoding goes on.
std::u16string Decode(std::string_view bytes);

// The code of one character: 0x00-0xFF for a single byte, lead * 256 + trail for a
// double-byte character, and 0x3F ("?") for a character the code page cannot hold.
std::uint16_t EncodeChar(char16_t c);

// Whether the code page holds the character exactly: its code decodes back to it.
// (Encode maps a few more to their nearest code, e.g. U+301C WAVE DASH to 0x8160,
// which reads back as U+FF5E.)
bool CanEncode(char16_t c);
bool CanEncode(std::u16string_view s);

// Bytes a character takes: 2 for a double-byte character, else 1.
inline int CharBytes(char16_t c) { return EncodeChar(c) > 0xFF ? 2 : 1; }

// The text in code page bytes, lead bytes first, "?" for what it cannot hold.
std::string Encode(std::u16string_view s);

// Number of bytes Encode(s) gives.
std::size_t ByteCount(std::u16string_view s);

}  // namespace vq::cp932
