#include "platform/path_dat.h"

#include <charconv>
#include <cmath>

#include "platform/codepage.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
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

PathDatRestore InterpretPathDat(const std::vector<std::string>& lines) {
  PathDatRestore r;
  auto number = [&](std::size_t i) { return LeadingNumber(cp932::Decode(lines[i])); };
  if (lines.size() >= 1 && !lines[0].empty()) {
    double v = number(0);
    // Rounded to a whole number; only 0 and 1 name an option.
    if (std::isfinite(v) && std::fabs(v) < 4.0) {
      std::int64_t n = RoundHalfEven(v);
      if (n == 0 || n == 1) r.mode = static_cast<int>(n);
    }
  }
  if (lines.size() >= 2 && !lines[1].empty()) r.drive = lines[1];
  if (lines.size() >= 3 && !lines[2].empty()) r.folder = lines[2];
  if (lines.size() >= 4) r.keepDate = number(3) != 0.0;
  if (lines.size() >= 5) r.createNewOnly = number(4) != 0.0 ? 1 : 0;
  return r;
}

std::vector<std::string> StoredPathCandidates(std::string_view line) {
  std::vector<std::string> out;
  if (Cp932DefinesAll(line)) out.push_back(Utf16ToUtf8(cp932::Decode(line)));
  if (out.empty() || out[0] != line) out.emplace_back(line);
  return out;
}

PathDatRestore ReadPathDat(const std::string& path) {
  std::string bytes = ReadFileBytes(path);
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(bytes)) {
    if (lines.size() >= 5) break;
    lines.emplace_back(line);
  }
  return InterpretPathDat(lines);
}

std::string StoredPathLine(std::string_view path) {
  if (path.find_first_of("\r\n") != std::string_view::npos) return {};
  if (IsValidUtf8(path)) {
    std::u16string text = Utf8ToUtf16(path);
    if (cp932::CanEncode(text)) return cp932::Encode(text);
  }
  return std::string(path);
}

std::string PathDatBytes(const PathDatValues& values) {
  std::string bytes;
  auto line = [&bytes](const std::string& b) {
    bytes += b;
    bytes += "\r\n";
  };
  line(values.mode == 1 ? "1" : "0");
  line(StoredPathLine(values.drive));
  line(StoredPathLine(values.folder));
  line(cp932::Encode(NumberPrintForm(values.keepDate)));
  line(cp932::Encode(NumberPrintForm(values.createNewOnly)));
  return bytes;
}

void WritePathDat(const std::string& path, const PathDatValues& values) {
  std::string bytes = PathDatBytes(values);
  RawFile file(path, RawFile::Mode::Create);
  file.WriteAt(0, bytes.data(), bytes.size());
  file.Close();
}

}  // namespace vq
