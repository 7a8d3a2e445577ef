// Names compared without regard to letter case, as case-insensitive file systems (FAT,
// exFAT, NTFS, SMB shares) compare them: two names that fold to the same text cannot
// both exist there.
#pragma once

#include <string>
#include <string_view>

namespace vq {

// The text with every letter in its lower-case form (Unicode simple case mapping, so
// "Ä" and "ä", "Ｗ" and "ｗ" fold alike, not only ASCII).
std::u16string FoldCase(std::u16string_view text);

// A key for comparing names given as bytes: the text a name is shown with
// (file_names.h: UTF-8, else code page 932) folded, as UTF-8; bytes that are neither
// (Latin-1) with their ASCII letters folded.
std::string FoldNameCase(std::string_view name);

}  // namespace vq
