#include "platform/case_fold.h"

#include <locale.h>
#include <wctype.h>

#include "platform/file_names.h"
#include "platform/text.h"

namespace vq {

namespace {

// The C library's Unicode tables: the C.UTF-8 locale has the full simple case mapping
// whatever the user's locale is, and is always there on Debian. nullptr where it is
// not, and then only ASCII letters fold.
locale_t Utf8Locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

char32_t FoldOne(char32_t c) {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
  const locale_t locale = Utf8Locale();
  if (!locale) return c;
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

}  // namespace

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf16(out, FoldOne(c));
  }
  return out;
}

std::string FoldNameCase(std::string_view name) {
  // A name in code page 932 bytes folds as the text it is shown with, so that its trail
  // bytes, which may be ASCII letters, are never taken for letters.
  if (IsValidUtf8(name) || Cp932DefinesAll(name)) return Utf16ToUtf8(FoldCase(DecodeName(name)));
  std::string out(name);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  return out;
}

}  // namespace vq
