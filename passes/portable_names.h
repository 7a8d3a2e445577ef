// Names that work on every device a collection is copied to: Linux, Windows, FAT and
// exFAT memory cards and sticks, phones and car players.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

inline constexpr std::size_t kMaxNameBytes = 255;  // one name, in UTF-8 bytes

// A tag value (or a pattern's own text) as part of a name: \ / : * ? " < > | become
// their full-width twins ＼／：＊？＂＜＞｜, control characters (C0, DEL, C1) are
// dropped. A "/" in a value thus never makes a folder.
std::u16string PortableText(std::u16string_view text);

// Whether a name is one of Windows' reserved device names, alone or with an extension
// ("CON", "nul.txt", "Com1.mp3"; CON PRN AUX NUL COM1-COM9 LPT1-LPT9, any case).
bool IsReservedName(std::u16string_view name);

// The first bytes of a text in UTF-8, at most `maxBytes`, never inside a character (a
// surrogate pair is one character).
std::u16string CutToUtf8Bytes(std::u16string_view text, std::size_t maxBytes);
std::size_t Utf8Length(std::u16string_view text);

// One component of a path made from PortableText pieces: `stem`, then `suffix` (" (2)"
// for a second file of the same name), then `extension` (".mp3" as the file had it;
// empty for a folder). Spaces at both ends of the stem and dots at its end are removed,
// a dot at its start becomes "．" (a name starting with "." is hidden), a reserved name
// gets "_" after its first part ("CON_", "nul_.txt"), and the stem is cut so that the
// whole name takes at most kMaxNameBytes bytes; suffix and extension are kept whole.
// Empty when nothing of the stem is left.
std::u16string PortableName(std::u16string_view stem, std::u16string_view suffix = {},
                            std::u16string_view extension = {});

}  // namespace vq
