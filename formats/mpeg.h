// The first MPEG audio frame header behind the tag: play time and size texts.
#pragma once

#include <cstdint>
#include <string>

#include "formats/bytesource.h"

namespace vq {

// 1 when bit n (1 = most significant .. 8) of value is set, else 0: the header's bits
// as the MPEG standard numbers them.
int TestBit(std::uint8_t value, int n);

// Bit rates in kbit/s: [version bit][layer code - 1][bit-rate index].
extern const std::int16_t BitrateTable[2][3][16];

struct MpegHeader {
  bool found = false;
  std::uint64_t offset = 0;
  int versionBit = 0;    // 1 MPEG-1, 0 MPEG-2
  int layerCode = 0;     // 3 Layer I, 2 Layer II, 1 Layer III, 0 reserved
  int bitrateIndex = 0;
};

// Searches offsets start .. start + 1019 for FF followed by a byte >= F0.
MpegHeader FindMpegHeader(const ByteSource& src, std::uint64_t start);

// Whole seconds, halves to even; 0 without a usable header.
std::int64_t PlayTimeSeconds(std::uint64_t length, const MpegHeader& header);
std::int64_t SizeKilobytes(std::uint64_t length);

std::u16string SizeText(std::uint64_t length);          // "2,930 kb"
std::u16string PlayTimeText(std::int64_t seconds);      // "3:03", "" for 0

}  // namespace vq
