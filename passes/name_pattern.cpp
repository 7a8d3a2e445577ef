#include "passes/name_pattern.h"

#include <algorithm>
#include <array>

#include "passes/track_numbers.h"

namespace vq {
namespace {

struct FieldName {
  std::u16string_view name;       // lower case, without the "%"
  std::optional<TagField> field;  // nullopt: %skip%
};
constexpr std::array<FieldName, 9> kFieldNames = {{
    {u"artist", TagField::Artist},
    {u"album", TagField::Album},
    {u"title", TagField::Title},
    {u"track", TagField::Track},
    {u"disc", TagField::Disc},
    {u"year", TagField::Year},
    {u"genre", TagField::Genre},
    {u"comment", TagField::Comment},
    {u"skip", std::nullopt},
}};

constexpr std::u16string_view kFieldList = u"%artist% %album% %title% %track% %disc% %year% %genre% %comment% %skip%";

// Full-width ASCII and the full-width space as their half-width forms, ASCII letters in
// lower case: how literal text compares.
char16_t Folded(char16_t c) {
  if (c == u'\u3000') return u' ';
  if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - 0xFEE0);
  if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return c;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\u3000'; }

std::u16string Trimmed(std::u16string_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return std::u16string(s.substr(a, b - a));
}

// The digits a number field takes: 1-3 for a track or disc, 4 for a year.
bool IsNumberField(const PatternPiece& p) {
  return p.field && (*p.field == TagField::Track || *p.field == TagField::Disc || *p.field == TagField::Year);
}
std::pair<std::size_t, std::size_t> DigitRange(TagField f) {
  return f == TagField::Year ? std::pair<std::size_t, std::size_t>{4, 4} : std::pair<std::size_t, std::size_t>{1, 3};
}

bool IsField(const PatternPiece& p) { return p.field || p.skip; }

std::u16string Quoted(std::u16string_view s) { return u"「" + std::u16string(s) + u"」"; }

std::u16string LowerAscii(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

// Splits one part ("%track% %title%") into pieces; an error sentence on failure.
std::u16string ParsePart(std::u16string_view part, std::vector<PatternPiece>& pieces) {
  std::size_t i = 0;
  while (i < part.size()) {
    const std::size_t open = part.find(u'%', i);
    if (open != i) {
      const std::size_t end = open == std::u16string_view::npos ? part.size() : open;
      pieces.push_back({std::nullopt, false, std::u16string(part.substr(i, end - i))});
      i = end;
      continue;
    }
    const std::size_t close = part.find(u'%', open + 1);
    if (close == std::u16string_view::npos)
      return u"パターンの" + Quoted(part.substr(open)) + u"の「%」が閉じていません。項目は「%title%」のように「%」で囲みます。";
    const std::u16string_view written = part.substr(open, close - open + 1);
    const std::u16string name = LowerAscii(written.substr(1, written.size() - 2));
    const auto known = std::find_if(kFieldNames.begin(), kFieldNames.end(), [&](const FieldName& f) { return f.name == name; });
    if (known == kFieldNames.end())
      return Quoted(written) + u"はパターンに使えない項目です。使える項目: " + std::u16string(kFieldList);
    pieces.push_back({known->field, !known->field, std::u16string(written)});
    i = close + 1;
  }
  return {};
}

// Checks what the pieces of all parts say together.
std::u16string CheckPieces(const std::vector<std::vector<PatternPiece>>& parts) {
  bool anyField = false;
  std::array<bool, kTagFieldCount> seen{};
  for (const auto& pieces : parts) {
    for (std::size_t k = 0; k < pieces.size(); ++k) {
      const PatternPiece& p = pieces[k];
      if (!IsField(p)) continue;
      anyField = true;
      if (p.field) {
        bool& s = seen[static_cast<std::size_t>(*p.field)];
        if (s) return Quoted(p.text) + u"がパターンに二度あります。一つの項目は一度だけ使えます。";
        s = true;
      }
      // Two texts side by side cannot be told apart; a number ends where its digits do.
      if (k > 0 && IsField(pieces[k - 1]) && !IsNumberField(p) && !IsNumberField(pieces[k - 1]))
        return u"パターンの" + Quoted(pieces[k - 1].text) + u"と" + Quoted(p.text) +
               u"の間に区切りの文字がありません。どこで分けるかが決まらないので、「 - 」などを間に入れてください。";
    }
  }
  if (!anyField) return u"パターンに項目がありません。%title% などの項目を入れてください。使える項目: " + std::u16string(kFieldList);
  return {};
}

// Matches the pieces of one part against one name, from the left; a field takes the
// shortest text that lets the rest match. `failed` remembers (piece, position) pairs
// already known not to lead to a match, which keeps the search polynomial.
class PartMatcher {
 public:
  PartMatcher(const std::vector<PatternPiece>& pieces, std::u16string_view name)
      : pieces_(pieces), name_(name), failed_((pieces.size() + 1) * (name.size() + 1), false) {}

  bool Match(TagValues& values) {
    captures_.assign(pieces_.size(), {0, 0});
    if (!From(0, 0)) return false;
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
      const PatternPiece& p = pieces_[k];
      if (!p.field) continue;
      const std::u16string_view text = name_.substr(captures_[k].first, captures_[k].second);
      if (*p.field == TagField::Year) {
        std::u16string digits;
        for (char16_t c : text) digits.push_back(static_cast<char16_t>(u'0' + DigitValue(c)));
        values[*p.field] = digits;
      } else if (IsNumberField(p)) {
        int n = 0;
        for (char16_t c : text) n = n * 10 + DigitValue(c);
        values[*p.field] = NumberText(n);
      } else {
        values[*p.field] = Trimmed(text);
      }
    }
    return true;
  }

 private:
  static std::u16string NumberText(int n) {
    std::u16string s;
    do {
      s.insert(s.begin(), static_cast<char16_t>(u'0' + n % 10));
      n /= 10;
    } while (n > 0);
    return s;
  }

  bool From(std::size_t k, std::size_t pos) {
    if (k == pieces_.size()) return pos == name_.size();
    const std::size_t key = k * (name_.size() + 1) + pos;
    if (failed_[key]) return false;
    if (Step(k, pos)) return true;
    failed_[key] = true;
    return false;
  }

  bool Step(std::size_t k, std::size_t pos) {
    const PatternPiece& p = pieces_[k];
    if (!IsField(p)) {
      if (name_.size() - pos < p.text.size()) return false;
      for (std::size_t i = 0; i < p.text.size(); ++i)
        if (Folded(name_[pos + i]) != Folded(p.text[i])) return false;
      return From(k + 1, pos + p.text.size());
    }
    if (IsNumberField(p)) {
      std::size_t end = pos;
      while (end < name_.size() && DigitValue(name_[end]) >= 0) ++end;
      const auto [least, most] = DigitRange(*p.field);
      if (end - pos < least || end - pos > most) return false;
      captures_[k] = {pos, end - pos};
      return From(k + 1, end);
    }
    for (std::size_t end = pos + 1; end <= name_.size(); ++end) {
      captures_[k] = {pos, end - pos};
      if (From(k + 1, end)) return true;
    }
    return false;
  }

  const std::vector<PatternPiece>& pieces_;
  std::u16string_view name_;
  std::vector<bool> failed_;
  std::vector<std::pair<std::size_t, std::size_t>> captures_;
};

std::u16string PartText(const std::vector<PatternPiece>& pieces) {
  std::u16string s;
  for (const PatternPiece& p : pieces) s += p.text;
  return s;
}

// The non-empty components of a "/" separated path.
void AppendComponents(std::u16string_view path, std::vector<std::u16string_view>& out) {
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find(u'/', i);
    if (j == std::u16string_view::npos) j = path.size();
    if (j > i) out.push_back(path.substr(i, j - i));
    i = j + 1;
  }
}

}  // namespace

bool NamePattern::Names(TagField f) const {
  for (const auto& pieces : parts)
    for (const PatternPiece& p : pieces)
      if (p.field == f) return true;
  return false;
}

ParsedPattern ParseNamePattern(std::u16string_view text) {
  ParsedPattern out;
  std::u16string_view body = text;
  constexpr std::u16string_view kExtension = u".mp3";
  if (body.size() >= kExtension.size() && LowerAscii(body.substr(body.size() - kExtension.size())) == kExtension)
    body.remove_suffix(kExtension.size());
  if (Trimmed(body).empty()) {
    out.error = u"パターンが空です。例: %artist% - %title%";
    return out;
  }
  NamePattern pattern;
  pattern.text = std::u16string(text);
  std::size_t i = 0;
  while (true) {
    std::size_t j = body.find(u'/', i);
    const bool last = j == std::u16string_view::npos;
    if (last) j = body.size();
    if (j == i) {
      out.error = u"パターン" + Quoted(text) + u"の「/」の前か後ろにフォルダやファイルの部分がありません。";
      return out;
    }
    auto& pieces = pattern.parts.emplace_back();
    out.error = ParsePart(body.substr(i, j - i), pieces);
    if (!out.error.empty()) return out;
    if (last) break;
    i = j + 1;
  }
  out.error = CheckPieces(pattern.parts);
  if (out.error.empty()) out.pattern = std::move(pattern);
  return out;
}

PatternMatch MatchNamePattern(const NamePattern& pattern, std::u16string_view shownFolder,
                              std::u16string_view subfolderName, std::u16string_view fileTitle) {
  PatternMatch m;
  std::vector<std::u16string_view> folders;
  AppendComponents(shownFolder, folders);
  AppendComponents(subfolderName, folders);
  const std::size_t folderParts = pattern.parts.size() - 1;
  if (folders.size() < folderParts) {
    m.reason = u"ファイル" + Quoted(fileTitle) + u"の上にはパターン" + Quoted(pattern.text) + u"が求めるだけのフォルダがありません。";
    return m;
  }
  for (std::size_t k = 0; k < pattern.parts.size(); ++k) {
    const bool file = k == folderParts;
    const std::u16string_view name = file ? fileTitle : folders[folders.size() - folderParts + k];
    if (!PartMatcher(pattern.parts[k], name).Match(m.values)) {
      m.values = {};
      m.reason = (file ? u"ファイル名" : u"フォルダ名") + Quoted(name) + u"がパターンの" +
                 Quoted(PartText(pattern.parts[k])) + u"に合いません。";
      if (!file) m.reason += u"（ファイル" + Quoted(fileTitle) + u"）";
      return m;
    }
  }
  m.matches = true;
  return m;
}

}  // namespace vq
