// A small collection as Japanese users have it, for the conversion to Unicode: tags
// with code page 932 texts in encoding 0 (titles, artists, a comment, lyrics, TXXX, a
// picture's description), ASCII frames, UTF-16 frames, a v2.4 tag with UTF-8, a v2.2
// tag, European names in ISO-8859-1, pictures, unknown frames and ID3v1 records.
#pragma once

#include <map>
#include <string>

#include "test_util.h"

namespace vqtest {

struct UnicodeCollection {
  std::string root;                           // the folder to convert
  std::map<std::string, std::string> before;  // path below root -> the file's bytes
  std::string Path(const std::string& rel) const { return root + "/" + rel; }
};

// Files below "<dir>/集" (and a link "リンク" to its folder "歌手", which the conversion
// must not follow):
//   歌手/アルバム/01 はじめに.mp3  v2.3, Japanese in every kind of text, 1 KB padding (in place)
//   歌手/アルバム/02 european.mp3  v2.3, ISO-8859-1 names, no padding (rebuilt)
//   歌手/03 v24.mp3                v2.4, UTF-8 title, code page 932 artist
//   歌手/04 v22.mp3                v2.2, code page 932 title and picture description
//   歌手/05 single.mp3             "CDｼﾝｸﾞﾙ" (undecided alone) beside a Japanese artist
//   その他/x.mp3                   "CDｼﾝｸﾞﾙ" alone: its folder decides
//   その他/y.mp3                   a Japanese title
//   未判定/z.mp3                   bytes valid in neither reading, and "ｱｲｳ"
//   ascii.mp3                      ASCII only
// 9 files: 8 converted, 1 unchanged, 1 with an undecided text.
UnicodeCollection MakeUnicodeCollection(const TempDir& dir);

// The picture every tagged file of the collection holds (binary, with zero and FF bytes).
std::string CollectionPicture();

}  // namespace vqtest
