// Small stateless helpers of the tag readers and writers.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

// 1 when bit n (1 = most significant .. 8) of value is set, else 0.
int TestBit(std::uint8_t value, int n);

// Bytes the text takes in code page 932 (a double-byte character counts 2).
int ByteLength(std::u16string_view text);

// Frame body: encoding byte 0, then the text's code page bytes, no terminator.
// `bytes` is resized to ByteLength(text) + 1.
void EncodeFrameText(std::u16string_view text, std::vector<std::uint8_t>& bytes);

// Sets the file's last-access and last-modified times to the local time t; silent on
// failure. The file must be closed.
void SetFileDate(const std::string& path, std::time_t t, long nanoseconds = 0);

}  // namespace vq
