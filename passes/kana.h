// The reading form of a text: what a sort field holds. Kana are read directly (hiragana
// become katakana), full-width ASCII becomes half-width, half-width katakana full-width;
// ASCII, Latin words, digits, long vowel marks and punctuation stay as they are. Only a
// text with kanji needs a dictionary (passes/reading_dictionary.h).
#pragma once

#include <string>
#include <string_view>

namespace vq {

// Hiragana (ぁ-ゖ, ゝ ゞ) become their katakana; every other character stays.
std::u16string HiraganaToKatakana(std::u16string_view text);

// Full-width ASCII (！-～) and the ideographic space become ASCII; half-width katakana
// become full-width ones, a following half-width voiced or semi-voiced mark joined to
// its letter ("ｶﾞ" is "ガ"). Every other character stays.
std::u16string NormaliseWidth(std::u16string_view text);

// NormaliseWidth, then HiraganaToKatakana: the whole reading of a text without kanji.
std::u16string KanaReading(std::u16string_view text);

// A character only a dictionary reads: a CJK ideograph (the unified ones, their
// extension A and the compatibility ones), the iteration mark 々, 〆 and the small ヶ
// (霞ヶ関, read ガ or ケ). A surrogate (the rarer ideographs) counts too.
bool NeedsDictionary(char16_t c);
bool NeedsDictionary(std::u16string_view text);

// A character of Japanese writing: kana, the long vowel mark, or one that needs a
// dictionary.
bool IsJapaneseLetter(char16_t c);

// Whether a text holds anything a sort field would read differently from the text:
// Japanese letters, or characters NormaliseWidth changes.
bool HasReadingOfItsOwn(std::u16string_view text);

}  // namespace vq
