// The order in which names are listed: the files of a folder, the subfolders whose
// files follow them, the folder list's subfolders and the next-folder walk.
//
// Names compare as the text they are shown with, split into runs of ASCII digits and
// runs of other characters. Two digit runs compare by their numeric value (equal values:
// the shorter run first), so "2 曲.mp3" comes before "10 曲.mp3"; other characters
// compare one by one by code point, ASCII letters folded to lower case, so "a.mp3"
// comes before "B.mp3". A name that ends where the other goes on comes first. Names
// whose texts compare equal ("01" and "1" do not; "A" and "a" do) compare by their bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vq {

// <0, 0 or >0 as shown text `a` comes before, with or after `b` (without the bytes).
int CompareShownNames(std::u16string_view a, std::u16string_view b);

// The whole order: the shown texts, then the names' bytes.
int CompareNames(std::u16string_view shownA, std::string_view bytesA, std::u16string_view shownB,
                 std::string_view bytesB);

// Sorts names given as their bytes into name order (each name decoded once).
void SortNames(std::vector<std::string>& names);

}  // namespace vq
