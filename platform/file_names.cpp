#include "platform/file_names.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

#include "platform/codepage.h"
#include "platform/text.h"

namespace vq {

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

bool Cp932DefinesAll(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    if (cp932::IsLeadByte(b)) {
      if (i + 1 >= bytes.size()) return false;
      if (cp932::DecodePair(b, static_cast<std::uint8_t>(bytes[i + 1])) == cp932::kReplacement) return false;
      ++i;
    } else if (cp932::DecodeSingle(b) == cp932::kReplacement) {
      return false;
    }
  }
  return true;
}

std::u16string DecodeName(std::string_view name) {
  if (IsValidUtf8(name)) return Utf8ToUtf16(name);
  if (Cp932DefinesAll(name)) return cp932::Decode(name);
  return Utf8ToUtf16(name);
}

std::u16string DecodePath(std::string_view path) {
  std::u16string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find(kSepChar, start);
    out += DecodeName(path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
    if (slash == std::string_view::npos) break;
    out.push_back(kSep);
    start = slash + 1;
  }
  return out;
}

std::string WorkingFolder() {
  std::vector<char> buf(4096);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return std::string(buf.data());
    if (errno != ERANGE || buf.size() > (1u << 20)) return "/";
    buf.resize(buf.size() * 2);
  }
}

std::string CleanFolderPath(std::string_view path) {
  std::string full = path.empty() ? WorkingFolder() : std::string(path);
  if (full[0] != kSepChar) full = WorkingFolder() + kSepChar + full;
  std::vector<std::string_view> parts;
  std::string_view rest(full);
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t slash = rest.find(kSepChar, start);
    if (slash == std::string_view::npos) slash = rest.size();
    std::string_view part = rest.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string out;
  for (auto part : parts) {
    out.push_back(kSepChar);
    out += part;
  }
  return out.empty() ? std::string(1, kSepChar) : out;
}

std::string ProgramFolder() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return WorkingFolder();
    if (static_cast<std::size_t>(n) < buf.size()) {
      std::string exe(buf.data(), static_cast<std::size_t>(n));
      const std::string parent = ParentPath(exe);
      return parent.empty() ? std::string(1, kSepChar) : parent;
    }
    buf.resize(buf.size() * 2);
  }
}

std::string ParentPath(std::string_view path) {
  const auto pos = path.rfind(kSepChar);
  if (pos == std::string_view::npos) return std::string(path);
  return std::string(path.substr(0, pos));
}

std::string LastComponent(std::string_view path) {
  const auto pos = path.rfind(kSepChar);
  if (pos == std::string_view::npos) return std::string(path);
  return std::string(path.substr(pos + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path.push_back('/');
  path += name;
  return path;
}

}  // namespace vq
