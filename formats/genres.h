// The genre names of ID3v1 genre numbers (0-191), which ID3v2 genre frames refer to as
// "(17)" or, in version 2.4, "17".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vq {

// The name of a genre number; nullopt for a number without one (192-255; 255 is "none").
std::optional<std::u16string_view> GenreName(int number);

}  // namespace vq
