// Track and disc numbers that collections put into their names: "01 曲名", "1-01 曲名",
// "Track 01", and disc folders such as "CD1" or "Disc 2 - ライブ".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vq {

// What a file title's leading number says.
struct NumberedTitle {
  std::optional<int> track;  // 1-999
  std::optional<int> disc;   // from "1-01 曲名"
  std::u16string title;      // the rest of the name; the whole title when it has no number
};

// Splits a leading track number off a file title (the file name without ".mp3").
// Digits are ASCII or full-width.
// - "01 曲名", "01 - 曲名", "01. 曲名", "01_曲名", "01)曲名", "01、曲名", "０１　曲名": 1-3
//   digits, then a run of separators (space, full-width space, "-", ".", "_", ")", "、"
//   and the full-width forms of "-", ".", "_", ")"), then the title.
// - "1-01 曲名": 1-2 digits, "-", 1-3 digits, separators: disc and track.
// - "Track 01", "track_3 - 曲名": the word "Track" (any case), an optional space or "_",
//   1-3 digits, then the end of the name or separators and a title. A ripper's default
//   name carries the real track number, so it is taken; a name that is nothing else
//   keeps itself as the title ("Track 01"), since it has no other.
// No number is taken when the digits run to four or more ("2001年宇宙の旅", "1999 曲"),
// when no separator follows them ("3月の歌", "1Q84"), when the number is 0, or when
// nothing but separators follows ("01", "01 - "): such a name is its own title.
NumberedTitle SplitLeadingNumber(std::u16string_view fileTitle);

// The disc number a folder's name gives: "CD1", "CD 2", "Disc 1", "DISC2", "Disk 3",
// "ディスク1", "ﾃﾞｨｽｸ1", "Disc 1 - サブタイトル", "CD_2", "Ｄｉｓｃ　２"; the word in any
// case (full-width letters too), then optional spaces, "_", "-" or ".", then 1-2 digits
// (ASCII or full-width), then the end of the name or a separator and anything. nullopt
// for any other name and for disc 0.
std::optional<int> DiscOfFolderName(std::u16string_view folderName);

// The value of an ASCII or full-width decimal digit, -1 for any other character.
int DigitValue(char16_t c);

}  // namespace vq
