#include "platform/path_dat.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/codepage.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "platform/text_file.h"

namespace vq {

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
  if (lines.size() >= 5) r.createNewOnly = number(4) != 0.0;
  if (lines.size() >= 6) r.unicode = number(5) != 0.0;
  if (lines.size() >= 7) r.trackNumbers = number(6) != 0.0;
  if (lines.size() >= 8) r.numberInOrder = number(7) != 0.0;
  if (lines.size() >= 9) {
    const std::string& line = lines[8];
    if (IsValidUtf8(line))
      r.pattern = Utf8ToUtf16(line);
    else if (Cp932DefinesAll(line))
      r.pattern = cp932::Decode(line);
  }
  return r;
}

namespace {

constexpr std::size_t kPathDatLines = 9;

// Line 9's bytes (see the header): code page 932 only where the reader cannot take them
// for UTF-8, so that one rule reads back every text.
std::string StoredTextLine(std::u16string_view text) {
  if (text.find_first_of(u"\r\n") != std::u16string_view::npos) return {};
  if (cp932::CanEncode(text)) {
    std::string bytes = cp932::Encode(text);
    const bool ascii = std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
    if (ascii || !IsValidUtf8(bytes)) return bytes;
  }
  return Utf16ToUtf8(text);
}

}  // namespace

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
    if (lines.size() >= kPathDatLines) break;
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
  line(cp932::Encode(NumberPrintForm(values.unicode)));
  line(cp932::Encode(NumberPrintForm(values.trackNumbers)));
  line(cp932::Encode(NumberPrintForm(values.numberInOrder)));
  line(StoredTextLine(values.pattern));
  return bytes;
}

void WritePathDat(const std::string& path, const PathDatValues& values) {
  WriteFileAtomically(path, PathDatBytes(values));
}

}  // namespace vq
