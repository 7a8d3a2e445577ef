#include "platform/path_dat.h"

#include <charconv>
#include <cmath>

#include "platform/text.h"
#include "platform/text_file.h"

namespace vq {

double LeadingNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  // Collect the longest prefix that looks like a number, in ASCII.
  std::string s;
  auto digit = [&](std::size_t k) { return k < text.size() && text[k] >= u'0' && text[k] <= u'9'; };
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') s.push_back('-');
    ++i;
  }
  std::size_t digits = 0;
  while (digit(i)) {
    s.push_back(static_cast<char>(text[i++]));
    ++digits;
  }
  if (i < text.size() && text[i] == u'.') {
    std::string frac = ".";
    std::size_t j = i + 1;
    while (digit(j)) frac.push_back(static_cast<char>(text[j++]));
    if (frac.size() > 1 || digits > 0) {
      digits += frac.size() - 1;
      s += frac;
      i = j;
    }
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) exp.push_back(static_cast<char>(text[j++]));
    if (digit(j)) {
      while (digit(j)) exp.push_back(static_cast<char>(text[j++]));
      s += exp;
    }
  }
  if (s == "-" || s.empty()) return 0.0;
  double v = 0.0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec == std::errc::result_out_of_range) return s[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  if (r.ec != std::errc()) return 0.0;
  return v;
}

std::u16string NumberPrintForm(long long value) {
  std::u16string digits = Utf8ToUtf16(std::to_string(value < 0 ? -static_cast<unsigned long long>(value)
                                                               : static_cast<unsigned long long>(value)));
  return (value < 0 ? u"-" : u" ") + digits + u" ";
}

PathDatRestore InterpretPathDat(const std::vector<std::u16string>& lines) {
  PathDatRestore r;
  if (lines.size() >= 1 && !lines[0].empty()) {
    double v = LeadingNumber(lines[0]);
    // Rounded to a whole number; only 0 and 1 name an option.
    if (std::isfinite(v) && std::fabs(v) < 4.0) {
      std::int64_t n = RoundHalfEven(v);
      if (n == 0 || n == 1) r.mode = static_cast<int>(n);
    }
  }
  if (lines.size() >= 2 && !lines[1].empty()) r.drive = lines[1];
  if (lines.size() >= 3 && !lines[2].empty()) r.folder = lines[2];
  if (lines.size() >= 4) r.keepDate = LeadingNumber(lines[3]) != 0.0;
  if (lines.size() >= 5) r.createNewOnly = LeadingNumber(lines[4]) != 0.0 ? 1 : 0;
  return r;
}

PathDatRestore ReadPathDat(const std::string& path) { return InterpretPathDat(ReadTextLines(path, 5)); }

std::vector<std::u16string> PathDatLines(const PathDatValues& values) {
  return {values.mode == 1 ? u"1" : u"0", values.drive, values.folder, NumberPrintForm(values.keepDate),
          NumberPrintForm(values.createNewOnly)};
}

void WritePathDat(const std::string& path, const PathDatValues& values) {
  WriteTextLines(path, PathDatLines(values));
}

}  // namespace vq
