#include "passes/portable_names.h"

#include <array>

#include "platform/case_fold.h"

namespace vq {

namespace {

constexpr std::u16string_view kForbidden = u"\\/:*?\"<>|";
constexpr std::u16string_view kTwins = u"＼／：＊？＂＜＞｜";

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::size_t Utf8Bytes(char16_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : 3; }

void TrimEnd(std::u16string& s, bool dots) {
  while (!s.empty() && (s.back() == u' ' || (dots && s.back() == u'.'))) s.pop_back();
}

}  // namespace

std::u16string PortableText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (IsControl(c)) continue;
    const auto k = kForbidden.find(c);
    out.push_back(k == std::u16string_view::npos ? c : kTwins[k]);
  }
  return out;
}

bool IsReservedName(std::u16string_view name) {
  std::u16string base = FoldCase(name.substr(0, name.find(u'.')));
  TrimEnd(base, false);  // Windows ignores spaces before the extension as well
  if (base == u"con" || base == u"prn" || base == u"aux" || base == u"nul") return true;
  return base.size() == 4 && (base.starts_with(u"com") || base.starts_with(u"lpt")) && base[3] >= u'1' &&
         base[3] <= u'9';
}

std::size_t Utf8Length(std::u16string_view text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size()) {
      n += 4;
      ++i;
    } else {
      n += Utf8Bytes(text[i]);
    }
  }
  return n;
}

std::u16string CutToUtf8Bytes(std::u16string_view text, std::size_t maxBytes) {
  std::size_t n = 0, i = 0;
  while (i < text.size()) {
    const bool pair = IsHighSurrogate(text[i]) && i + 1 < text.size();
    const std::size_t bytes = pair ? 4 : Utf8Bytes(text[i]);
    if (n + bytes > maxBytes) break;
    n += bytes;
    i += pair ? 2 : 1;
  }
  return std::u16string(text.substr(0, i));
}

std::u16string PortableName(std::u16string_view stem, std::u16string_view suffix, std::u16string_view extension) {
  std::u16string s(stem);
  const auto first = s.find_first_not_of(u' ');
  s.erase(0, first == std::u16string::npos ? s.size() : first);
  TrimEnd(s, true);
  if (s.empty()) return {};
  if (s[0] == u'.') s[0] = u'．';
  if (IsReservedName(s + std::u16string(extension))) s.insert(std::min(s.find(u'.'), s.size()), u"_");
  const std::size_t room = kMaxNameBytes - std::min(kMaxNameBytes, Utf8Length(suffix) + Utf8Length(extension));
  if (Utf8Length(s) > room) {
    s = CutToUtf8Bytes(s, room);
    TrimEnd(s, true);
    if (s.empty()) return {};
  }
  return s + std::u16string(suffix) + std::u16string(extension);
}

}  // namespace vq
