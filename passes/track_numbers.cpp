#include "passes/track_numbers.h"

#include <array>

namespace vq {
namespace {

// Full-width ASCII (U+FF01-U+FF5E) as ASCII, ASCII letters in lower case.
char16_t Folded(char16_t c) {
  if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - 0xFEE0);
  if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return c;
}

bool IsAsciiLetter(char16_t c) {
  c = Folded(c);
  return c >= u'a' && c <= u'z';
}

// What may stand between a leading number and the title.
bool IsSeparator(char16_t c) {
  switch (c) {
    case u' ': case u'\u3000': case u'-': case u'.': case u'_': case u')': case u'、':
    case u'\uFF0D': case u'\uFF0E': case u'\uFF3F': case u'\uFF09':
      return true;
    default:
      return false;
  }
}

bool IsHyphen(char16_t c) { return c == u'-' || c == u'\uFF0D'; }

// The run of digits at `pos`: its length and value (the value only up to four digits).
struct DigitRun {
  std::size_t length = 0;
  int value = 0;
};
DigitRun DigitsAt(std::u16string_view s, std::size_t pos) {
  DigitRun run;
  for (std::size_t i = pos; i < s.size(); ++i) {
    const int d = DigitValue(s[i]);
    if (d < 0) break;
    if (run.length < 4) run.value = run.value * 10 + d;
    ++run.length;
  }
  return run;
}

std::size_t SkipSeparators(std::u16string_view s, std::size_t pos) {
  while (pos < s.size() && IsSeparator(s[pos])) ++pos;
  return pos;
}

// Whether `s` starts with `word` (lower-case ASCII or kana), letters folded.
bool StartsWithWord(std::u16string_view s, std::u16string_view word) {
  if (s.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (Folded(s[i]) != word[i]) return false;
  return true;
}

// "Track 01" and "Track 01 - 曲名".
std::optional<NumberedTitle> SplitTrackWord(std::u16string_view title) {
  constexpr std::u16string_view kWord = u"track";
  if (!StartsWithWord(title, kWord)) return std::nullopt;
  std::size_t pos = kWord.size();
  if (pos < title.size() && (title[pos] == u' ' || title[pos] == u'_')) ++pos;
  const DigitRun run = DigitsAt(title, pos);
  if (run.length == 0 || run.length > 3 || run.value == 0) return std::nullopt;
  pos += run.length;
  if (pos < title.size() && !IsSeparator(title[pos])) return std::nullopt;
  const std::size_t rest = SkipSeparators(title, pos);
  NumberedTitle n;
  n.track = run.value;
  n.title = std::u16string(rest < title.size() ? title.substr(rest) : title);
  return n;
}

}  // namespace

int DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'\uFF10' && c <= u'\uFF19') return c - u'\uFF10';
  return -1;
}

NumberedTitle SplitLeadingNumber(std::u16string_view title) {
  if (auto word = SplitTrackWord(title)) return *word;
  NumberedTitle none;
  none.title = std::u16string(title);

  const DigitRun first = DigitsAt(title, 0);
  if (first.length == 0 || first.length > 3) return none;
  std::size_t pos = first.length;
  if (pos >= title.size() || !IsSeparator(title[pos])) return none;

  // "1-01 曲名": disc, hyphen, track, then separators.
  if (first.length <= 2 && IsHyphen(title[pos])) {
    const DigitRun second = DigitsAt(title, pos + 1);
    const std::size_t after = pos + 1 + second.length;
    if (second.length >= 1 && second.length <= 3 && after < title.size() && IsSeparator(title[after])) {
      const std::size_t rest = SkipSeparators(title, after);
      if (rest < title.size() && first.value > 0 && second.value > 0) {
        NumberedTitle n;
        n.disc = first.value;
        n.track = second.value;
        n.title = std::u16string(title.substr(rest));
        return n;
      }
    }
  }

  const std::size_t rest = SkipSeparators(title, pos);
  if (rest >= title.size() || first.value == 0) return none;
  NumberedTitle n;
  n.track = first.value;
  n.title = std::u16string(title.substr(rest));
  return n;
}

std::optional<int> DiscOfFolderName(std::u16string_view name) {
  constexpr std::array<std::u16string_view, 5> kWords = {u"disc", u"disk", u"cd", u"ディスク", u"ﾃﾞｨｽｸ"};
  for (std::u16string_view word : kWords) {
    if (!StartsWithWord(name, word)) continue;
    std::size_t pos = word.size();
    while (pos < name.size() && (name[pos] == u' ' || name[pos] == u'\u3000' || name[pos] == u'_' ||
                                 IsHyphen(name[pos]) || name[pos] == u'.'))
      ++pos;
    const DigitRun run = DigitsAt(name, pos);
    if (run.length == 0 || run.length > 2 || run.value == 0) return std::nullopt;
    pos += run.length;
    // "CD1of2" or "Disc 2b" names something else.
    if (pos < name.size() && IsAsciiLetter(name[pos])) return std::nullopt;
    return run.value;
  }
  return std::nullopt;
}

}  // namespace vq
