#include "passes/rename_pattern.h"

#include "passes/portable_names.h"
#include "platform/case_fold.h"

namespace vq {

namespace {

std::u16string AllFieldTokens() {
  std::u16string out;
  for (int k = 0; k < kTagFieldCount; ++k) out += (k ? u" " : u"") + FieldToken(static_cast<TagField>(k));
  return out;
}

ParsedRenamePattern Refused(std::u16string message) { return {std::nullopt, std::move(message)}; }

bool IsNumberField(TagField f) { return f == TagField::Track || f == TagField::Disc; }

// A number field's value with its digits: "3" -> "03"; a value that is no number as it is.
std::u16string WithDigits(const std::u16string& value, int width) {
  if (value.empty() || value.find_first_not_of(u"0123456789") != std::u16string::npos) return value;
  std::u16string digits = value.substr(std::min(value.find_first_not_of(u'0'), value.size() - 1));
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), u'0');
  return digits;
}

}  // namespace

std::u16string FieldToken(TagField field) { return u"%" + std::u16string(TagFieldName(field)) + u"%"; }

ParsedRenamePattern ParseRenamePattern(std::u16string_view input) {
  std::u16string text(input);
  while (!text.empty() && (text.back() == u' ' || text.front() == u' ')) {
    if (text.back() == u' ') text.pop_back();
    else text.erase(0, 1);
  }
  if (text.size() >= 4 && FoldCase(std::u16string_view(text).substr(text.size() - 4)) == u".mp3")
    text.resize(text.size() - 4);
  if (text.empty()) return Refused(u"名前のパターンを入力してください。例: %artist%/%album%/%track% %title%");
  if (text[0] == u'/')
    return Refused(u"パターンが「/」で始まっています。新しい名前はフォルダの中に作るので、絶対パスは使えません。");

  RenamePattern pattern;
  bool anyField = false;
  std::vector<RenamePiece> component;
  std::u16string literal;  // the component's pattern text as typed, for the checks of "." and ".."
  auto endComponent = [&]() -> std::optional<std::u16string> {
    if (literal.empty() && component.empty())
      return u"パターンに空のフォルダ名があります(「//」か、最後の「/」)。";
    if (component.size() == 1 && !component[0].field && (literal == u"." || literal == u".."))
      return u"パターンに「" + literal + u"」は使えません。フォルダの外や同じフォルダを指す名前になります。";
    pattern.components.push_back(std::move(component));
    component.clear();
    literal.clear();
    return std::nullopt;
  };
  auto addText = [&](std::u16string_view t) {
    literal += t;
    if (!component.empty() && !component.back().field)
      component.back().text += t;
    else
      component.push_back({std::u16string(t), std::nullopt, 0});
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'/') {
      if (auto error = endComponent()) return Refused(*error);
      continue;
    }
    if (c != u'%') {
      addText(std::u16string_view(&text[i], 1));
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == u'%') {
      addText(u"%");
      ++i;
      continue;
    }
    const auto close = text.find(u'%', i + 1);
    const auto slash = text.find(u'/', i + 1);
    if (close == std::u16string::npos || slash < close)
      return Refused(u"「%」が閉じていません。項目は %title% のように「%」で囲みます。");
    const std::u16string token = text.substr(i, close - i + 1);
    std::u16string name = text.substr(i + 1, close - i - 1);
    int width = 0;
    if (const auto colon = name.find(u':'); colon != std::u16string::npos) {
      const std::u16string digits = name.substr(colon + 1);
      name.resize(colon);
      const auto field = TagFieldNamed(name);
      if (!field || !IsNumberField(*field) || digits.size() != 1 || digits[0] < u'1' || digits[0] > u'9')
        return Refused(u"「" + token + u"」は使えません。桁数を付けられるのは %track% と %disc% だけで、1から9までです(例: %track:3%)。");
      width = digits[0] - u'0';
    }
    const auto field = TagFieldNamed(name);
    if (!field) return Refused(u"「" + token + u"」という項目はありません。使える項目: " + AllFieldTokens());
    if (width == 0) width = *field == TagField::Track ? 2 : 1;
    component.push_back({std::u16string(), field, width});
    literal += token;
    anyField = true;
    i = close;
  }
  if (auto error = endComponent()) return Refused(*error);
  if (!anyField)
    return Refused(u"パターンにタグの項目がありません。このままではすべての曲が同じ名前になります。"
                   u"%title% などの項目を入れてください。");
  return {std::move(pattern), {}};
}

BuiltName BuildName(const RenamePattern& pattern, const TagFields& fields, std::u16string_view extension) {
  BuiltName out;
  for (std::size_t c = 0; c < pattern.components.size(); ++c) {
    std::u16string stem;
    for (const RenamePiece& piece : pattern.components[c]) {
      if (!piece.field) {
        stem += PortableText(piece.text);
        continue;
      }
      const auto& value = fields[*piece.field];
      const std::u16string text = value ? PortableText(IsNumberField(*piece.field) ? WithDigits(*value, piece.width) : *value)
                                        : std::u16string();
      if (text.find_first_not_of(u' ') == std::u16string::npos) {
        out.missing = *piece.field;
        out.components.clear();
        return out;
      }
      stem += text;
    }
    const bool last = c + 1 == pattern.components.size();
    std::u16string name = PortableName(stem, {}, last ? extension : std::u16string_view());
    if (name.empty()) {
      out.empty = true;
      out.components.clear();
      return out;
    }
    out.components.push_back(std::move(name));
  }
  return out;
}

}  // namespace vq
