// Tag text in code page 932 as the ID3v1 record and code page frames store it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vq {

// Bytes the text takes in code page 932 (a double-byte character counts 2).
int ByteLength(std::u16string_view text);

// Frame body: encoding byte 0, then the text's code page bytes, no terminator.
// `bytes` is resized to ByteLength(text) + 1.
void EncodeFrameText(std::u16string_view text, std::vector<std::uint8_t>& bytes);

}  // namespace vq
