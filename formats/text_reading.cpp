// Deciding how a single-byte tag text is meant to be read (see text_reading.h).
#include "formats/text_reading.h"

#include <cstdint>
#include <vector>

#include "platform/codepage.h"

namespace vq {
namespace {

bool IsAsciiLetter(std::uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

bool IsHalfWidthKatakana(std::uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

// Lead bytes of the pairs that hold kanji (first and second level, and the
// extensions); kana, full-width forms and symbols have lead bytes 81-84 and 87.
bool IsKanjiLead(std::uint8_t lead) { return (lead >= 0x88 && lead <= 0x9F) || lead >= 0xE0; }

// The characters of a valid code page 932 reading, as the plausibility check sees them.
enum class Kind { AsciiLetter, Kanji, HalfWidthKana, Other };

// Implausible: a run of kanji with an ASCII letter on both sides ("d駑駭ageurs"), or
// half-width katakana next to an ASCII letter ("ﾉdith"). Kanji at a word's edge
// ("珈琲Time") and kana beside letters ("Mr.Childrenの歌") are ordinary Japanese.
bool CodePageIsPlausible(std::string_view bytes) {
  std::vector<Kind> kinds;
  kinds.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    if (b < 0x80) {
      kinds.push_back(IsAsciiLetter(b) ? Kind::AsciiLetter : Kind::Other);
    } else if (IsHalfWidthKatakana(b)) {
      kinds.push_back(Kind::HalfWidthKana);
    } else {  // a pair, valid by now
      kinds.push_back(IsKanjiLead(b) ? Kind::Kanji : Kind::Other);
      ++i;
    }
  }
  auto letterAt = [&kinds](std::size_t k) { return k < kinds.size() && kinds[k] == Kind::AsciiLetter; };
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    if (kinds[k] == Kind::HalfWidthKana && ((k > 0 && letterAt(k - 1)) || letterAt(k + 1))) return false;
    if (kinds[k] == Kind::Kanji && (k == 0 || kinds[k - 1] != Kind::Kanji)) {
      std::size_t end = k;
      while (end < kinds.size() && kinds[end] == Kind::Kanji) ++end;
      if (k > 0 && letterAt(k - 1) && letterAt(end)) return false;
    }
  }
  return true;
}

bool IsLatin1Letter(std::uint8_t b) { return b >= 0xC0 && b != 0xD7 && b != 0xF7; }

bool Latin1IsPlausible(std::string_view bytes) {
  // Every non-ASCII character is a letter, and every word with accented letters has an
  // ASCII letter too.
  bool wordHasLetter = false, wordHasAccented = false;
  auto wordOk = [&] { return !wordHasAccented || wordHasLetter; };
  for (char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b >= 0x80 && !IsLatin1Letter(b)) return false;
    if (b >= 0x80) {
      wordHasAccented = true;
    } else if (IsAsciiLetter(b)) {
      wordHasLetter = true;
    } else {
      if (!wordOk()) return false;
      wordHasLetter = wordHasAccented = false;
    }
  }
  return wordOk();
}

}  // namespace

bool IsValidCodePage932(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    if (b < 0x80 || IsHalfWidthKatakana(b)) continue;
    if (!cp932::IsLeadByte(b)) return false;                  // 80, A0, FD, FE, FF
    if (b >= 0xF0 && b <= 0xF9) return false;                 // the user-defined area
    if (i + 1 >= bytes.size()) return false;                  // a lead byte at the end
    if (cp932::DecodePair(b, static_cast<std::uint8_t>(bytes[i + 1])) == cp932::kReplacement) return false;
    ++i;
  }
  return true;
}

bool IsValidLatin1(std::string_view bytes) {
  for (char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b >= 0x80 && b <= 0x9F) return false;
  }
  return true;
}

TextReading DecideTextReading(std::string_view bytes) {
  const bool codePage = IsValidCodePage932(bytes);
  const bool latin1 = IsValidLatin1(bytes);
  if (codePage && !latin1) return TextReading::CodePage932;
  if (latin1 && !codePage) return TextReading::Latin1;
  if (!codePage) return TextReading::Undecided;
  bool ascii = true;
  for (char c : bytes) ascii = ascii && static_cast<std::uint8_t>(c) < 0x80;
  if (ascii) return TextReading::CodePage932;
  const bool codePageLikely = CodePageIsPlausible(bytes);
  const bool latin1Likely = Latin1IsPlausible(bytes);
  if (codePageLikely == latin1Likely) return TextReading::Undecided;
  return codePageLikely ? TextReading::CodePage932 : TextReading::Latin1;
}

TextReading ChooseByMajority(std::string_view bytes, const ReadingTally& around) {
  if (around.codePage > around.latin1 && IsValidCodePage932(bytes)) return TextReading::CodePage932;
  if (around.latin1 > around.codePage && IsValidLatin1(bytes)) return TextReading::Latin1;
  return TextReading::Undecided;
}

std::u16string ReadAs(std::string_view bytes, TextReading reading) {
  if (reading == TextReading::CodePage932) return cp932::Decode(bytes);
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
  return out;
}

}  // namespace vq
