#include "formats/module0.h"

#include "platform/codepage.h"
#include "platform/fileio.h"

namespace vq {

int TestBit(std::uint8_t value, int n) {
  if (n < 1 || n > 8) return 0;
  const unsigned mask = 1u << (8 - n);
  return (value & mask) == mask ? 1 : 0;
}

int ByteLength(std::u16string_view text) { return static_cast<int>(cp932::ByteCount(text)); }

void EncodeFrameText(std::u16string_view text, std::vector<std::uint8_t>& bytes) {
  bytes.assign(static_cast<std::size_t>(ByteLength(text)) + 1, 0);
  std::size_t pos = 1;  // element 0 is the frame's encoding byte: code page text
  for (char16_t c : text) {
    const std::uint16_t code = cp932::EncodeChar(c);
    if (code > 0xFF) {
      bytes[pos++] = static_cast<std::uint8_t>(code >> 8);  // lead byte first
      bytes[pos++] = static_cast<std::uint8_t>(code & 0xFF);
    } else {
      bytes[pos++] = static_cast<std::uint8_t>(code);
    }
  }
}

void SetFileDate(const std::string& path, std::time_t t, long nanoseconds) {
  // Creation time cannot be set here; listings show the last-modified time, which is
  // what callers rely on. Failures stay silent: the file keeps the times the write gave it.
  SetFileTimes(path, t, nanoseconds);
}

}  // namespace vq
