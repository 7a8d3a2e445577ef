// How a single-byte tag text (ID3v2 encoding 0) is meant to be read: as code page 932,
// the way Velquist and Japanese players write and show it, or as ISO-8859-1, the way the
// ID3v2 standard defines it and other taggers write European names.
//
// The rule, decided from the text's bytes alone:
//
// 1. A reading that is not valid is out.
//    - Code page 932 is not valid with a lead byte that has no trail byte ("Beyoncé"
//      ends in E9), a pair the code page does not define, a lead byte of the
//      user-defined area F0-F9 ("ö" F6 in "Motörhead", "ñ" F1 in "Mañana", "ó" F3 in
//      "Sigur Rós"), or one of the single bytes 80, A0, FD, FE, FF.
//    - ISO-8859-1 is not valid with a byte 80-9F (control characters there; every
//      hiragana, katakana and most kanji of code page 932 have such a lead byte).
// 2. When both readings are valid, each is checked for plausibility.
//    - Code page 932 is implausible when it puts a run of kanji between two ASCII
//      letters ("d駑駭ageurs" for "déménageurs", "Fran輟ise" for "Françoise") or
//      half-width katakana next to an ASCII letter ("ﾉdith Piaf" for "Édith Piaf").
//    - ISO-8859-1 is implausible when it has a character that is not a letter
//      (symbols A0-BF, the multiplication and division signs: "ｱｲｳｴｵ" reads
//      "±²³´µ"), or a word (a run between spaces, digits and ASCII punctuation) of
//      accented letters without any ASCII letter ("珈琲" reads "àÛàè").
//    The one plausible reading wins; two plausible or two implausible readings leave
//    the text undecided ("CDｼﾝｸﾞﾙ" reads "CD¼Ý¸ÞÙ").
//
// So kana, kanji and full-width forms ("サンプル歌手", "ＡＢＣ４８ - 会いたかった",
// "① はじめに～") are code page 932 by rule 1, and half-width katakana alone ("ｱｲｳｴｵ") by
// rule 2. A text of ASCII bytes only reads the same both ways and is reported as code
// page 932.
//
// Where the text alone leaves it undecided, the caller asks the other texts of the same
// file, then those of the same folder (ChooseByMajority).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

enum class TextReading { CodePage932, Latin1, Undecided };

// The reading of one single-byte text (one string, without its zero terminator).
TextReading DecideTextReading(std::string_view bytes);

// Whether a reading is valid for these bytes (rule 1 above).
bool IsValidCodePage932(std::string_view bytes);
bool IsValidLatin1(std::string_view bytes);

// How many texts were decided each way.
struct ReadingTally {
  std::size_t codePage = 0;
  std::size_t latin1 = 0;
  void Add(TextReading r) {
    if (r == TextReading::CodePage932) ++codePage;
    if (r == TextReading::Latin1) ++latin1;
  }
  void Add(const ReadingTally& t) {
    codePage += t.codePage;
    latin1 += t.latin1;
  }
};

// The reading an undecided text takes from the decided texts around it: the reading
// more of them have, provided it is valid for these bytes; Undecided on a tie, when no
// text was decided or when the majority's reading is not valid here.
TextReading ChooseByMajority(std::string_view bytes, const ReadingTally& around);

// The text in a reading: code page 932 characters, or one character per byte.
std::u16string ReadAs(std::string_view bytes, TextReading reading);

}  // namespace vq
