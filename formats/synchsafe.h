// ID3v2 sizes and unsynchronisation. The tag header's size (and, from version 2.4, a
// frame's size) is "synchsafe": four bytes of 7 bits each, most significant first, so
// that no size byte looks like the start of an MPEG frame sync.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vq {

// b0*2^21 + b1*2^14 + b2*2^7 + b3. Each byte is used whole, as a damaged tag wrote it
// (bit 7 is not masked), so the result reaches 255 * (2^21 + 2^14 + 2^7 + 1).
inline std::uint32_t ReadSynchsafe(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 21) + (std::uint32_t{b[1]} << 14) + (std::uint32_t{b[2]} << 7) + b[3];
}

// The same with the top bit of each byte left out, as a v2.4 frame's data length
// indicator is read.
inline std::uint32_t ReadSynchsafeMasked(const std::uint8_t* b) {
  return (std::uint32_t{b[0] & 0x7Fu} << 21) + (std::uint32_t{b[1] & 0x7Fu} << 14) + (std::uint32_t{b[2] & 0x7Fu} << 7) +
         (b[3] & 0x7Fu);
}

// The four 7-bit groups of v (at most 2^28 - 1), high group first.
inline void AppendSynchsafe(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>((v >> 21) & 0x7F));
  out.push_back(static_cast<char>((v >> 14) & 0x7F));
  out.push_back(static_cast<char>((v >> 7) & 0x7F));
  out.push_back(static_cast<char>(v & 0x7F));
}

// Unsynchronisation undone: every FF 00 becomes FF.
std::string Resynchronise(std::string_view in);

}  // namespace vq
