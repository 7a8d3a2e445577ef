#include "formats/mpeg.h"

#include <array>

#include "platform/text.h"

namespace vq {

int TestBit(std::uint8_t value, int n) {
  if (n < 1 || n > 8) return 0;
  const unsigned mask = 1u << (8 - n);
  return (value & mask) == mask ? 1 : 0;
}

// [version bit][layer code - 1][bit-rate index]; layer code 1 is Layer III, 3 is Layer I.
// Index 0 (free format) and 15 (not allowed) are 0.
const std::int16_t BitrateTable[2][3][16] = {
    // Version bit 0: MPEG-2 lower sampling frequencies (Layer II and III share a row).
    {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},       // Layer III
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},       // Layer II
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},  // Layer I
    },
    // Version bit 1: MPEG-1.
    {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},    // Layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},   // Layer II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // Layer I
    },
};

namespace {

constexpr std::size_t kSearchOffsets = 1020;
// Each offset looks at four bytes, so the window reaches three bytes past the last offset.
constexpr std::size_t kWindow = kSearchOffsets + 3;

}  // namespace

MpegHeader FindMpegHeader(const ByteSource& src, std::uint64_t start) {
  MpegHeader h;
  std::array<std::uint8_t, kWindow> buf;
  src.ReadAt(start, buf.data(), buf.size());  // bytes past the end read as zero
  for (std::size_t i = 0; i < kSearchOffsets; ++i) {
    // Frame sync plus the MPEG-1/MPEG-2 version pattern; MPEG 2.5 (second byte E0-EF) is not taken.
    if (buf[i] != 0xFF || buf[i + 1] < 0xF0) continue;
    const std::uint8_t b1 = buf[i + 1];
    const std::uint8_t b2 = buf[i + 2];
    h.found = true;
    h.offset = start + i;
    h.versionBit = TestBit(b1, 5);
    h.layerCode = 2 * TestBit(b1, 6) + TestBit(b1, 7);
    h.bitrateIndex = b2 >> 4;
    break;
  }
  return h;
}

std::int64_t PlayTimeSeconds(std::uint64_t length, const MpegHeader& header) {
  if (!header.found || header.bitrateIndex <= 0 || header.bitrateIndex > 15) return 0;
  if (header.layerCode < 1 || header.layerCode > 3) return 0;
  if (header.versionBit < 0 || header.versionBit > 1) return 0;
  const int kbps = BitrateTable[header.versionBit][header.layerCode - 1][header.bitrateIndex];
  if (kbps == 0) return 0;
  // Constant bit rate over the whole file, tags included; 1024 bytes to the kilobyte.
  const double seconds = (static_cast<double>(length) - 127.0) / 1024.0 * 8.0 / kbps;
  const std::int64_t rounded = RoundHalfEven(seconds);
  return rounded > 0 ? rounded : 0;
}

std::int64_t SizeKilobytes(std::uint64_t length) {
  // Division by 1024 is exact in double precision, so the halves are seen as halves.
  return RoundHalfEven(static_cast<double>(length) / 1024.0);
}

std::u16string SizeText(std::uint64_t length) { return FormatThousands(SizeKilobytes(length)) + u" kb"; }

std::u16string PlayTimeText(std::int64_t seconds) {
  if (seconds <= 0) return {};
  const std::int64_t sec = seconds % 60;
  std::u16string out;
  for (char c : std::to_string(seconds / 60)) out.push_back(static_cast<char16_t>(c));
  out.push_back(u':');
  out.push_back(static_cast<char16_t>(u'0' + sec / 10));
  out.push_back(static_cast<char16_t>(u'0' + sec % 10));
  return out;
}

}  // namespace vq
