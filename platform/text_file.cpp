#include "platform/text_file.h"

#include "platform/codepage.h"
#include "platform/fileio.h"

namespace vq {

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(bytes.substr(start, i - start));
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

std::string ReadFileBytes(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  std::string bytes;
  // Read in blocks up to the end the file reports as it goes, so a file that changes
  // length while it is read still gives consistent lines.
  char buf[16384];
  std::uint64_t offset = 0;
  for (;;) {
    std::size_t got = file.ReadSomeAt(offset, buf, sizeof buf);
    if (got == 0) break;
    bytes.append(buf, got);
    offset += got;
  }
  file.Close();
  return bytes;
}

std::vector<std::u16string> ReadTextLines(const std::string& path, std::size_t maxLines) {
  const std::string bytes = ReadFileBytes(path);
  std::vector<std::u16string> out;
  for (std::string_view line : SplitLines(bytes)) {
    if (out.size() >= maxLines) break;
    out.push_back(cp932::Decode(line));
  }
  return out;
}

std::string EncodeTextLines(const std::vector<std::u16string>& lines) {
  std::string bytes;
  for (const auto& line : lines) {
    bytes += cp932::Encode(line);
    bytes += "\r\n";
  }
  return bytes;
}

void WriteTextLines(const std::string& path, const std::vector<std::u16string>& lines) {
  WriteFileAtomically(path, EncodeTextLines(lines));
}

}  // namespace vq
