// Written by hand: the mappings are fixed offsets and one small table. Unicode's NFKC
// (ICU) would make the same width changes but also fold characters a title keeps as
// they are (① to 1, ㈱ to (株), ™ to TM).
#include "passes/kana.h"

namespace vq {
namespace {

bool IsHiragana(char16_t c) { return (c >= u'ぁ' && c <= u'ゖ') || c == u'ゝ' || c == u'ゞ'; }

// Half-width katakana U+FF61-FF9F and the full-width characters they stand for.
constexpr char16_t kHalfWidthKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(std::size(kHalfWidthKana) - 1 == 0xFF9F - 0xFF61 + 1);

// The letter with the voiced (゛) or semi-voiced (゜) mark, or 0 when it takes none.
char16_t Voiced(char16_t c, bool semi) {
  if (semi) return (c >= u'ハ' && c <= u'ホ' && (c - u'ハ') % 3 == 0) ? static_cast<char16_t>(c + 2) : 0;
  if (c == u'ウ') return u'ヴ';
  if ((c >= u'カ' && c <= u'チ' && (c - u'カ') % 2 == 0) || (c >= u'ツ' && c <= u'ト' && (c - u'ツ') % 2 == 0))
    return static_cast<char16_t>(c + 1);
  if (c >= u'ハ' && c <= u'ホ' && (c - u'ハ') % 3 == 0) return static_cast<char16_t>(c + 1);
  return 0;
}

}  // namespace

std::u16string HiraganaToKatakana(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (IsHiragana(c)) c = static_cast<char16_t>(c + 0x60);
  return out;
}

std::u16string NormaliseWidth(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'！' && c <= u'～') {
      out.push_back(static_cast<char16_t>(c - 0xFEE0));
    } else if (c == u'\u3000') {
      out.push_back(u' ');
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      const char16_t full = kHalfWidthKana[c - 0xFF61];
      const char16_t next = i + 1 < text.size() ? text[i + 1] : 0;
      if (next == 0xFF9E || next == 0xFF9F) {
        if (const char16_t v = Voiced(full, next == 0xFF9F)) {
          out.push_back(v);
          ++i;
          continue;
        }
      }
      out.push_back(full);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string KanaReading(std::u16string_view text) { return HiraganaToKatakana(NormaliseWidth(text)); }

bool NeedsDictionary(char16_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xD800 && c <= 0xDFFF) || c == u'々' || c == u'〆' || c == u'ヶ';
}

bool NeedsDictionary(std::u16string_view text) {
  for (char16_t c : text)
    if (NeedsDictionary(c)) return true;
  return false;
}

bool IsJapaneseLetter(char16_t c) {
  return IsHiragana(c) || (c >= u'ァ' && c <= u'ヺ') || c == u'ー' || c == u'ヽ' || c == u'ヾ' ||
         (c >= 0xFF66 && c <= 0xFF9D) || NeedsDictionary(c);
}

bool HasReadingOfItsOwn(std::u16string_view text) {
  for (char16_t c : text)
    if (IsJapaneseLetter(c)) return true;
  return NormaliseWidth(text) != text;
}

}  // namespace vq
