#include "platform/volumes.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace vq {

namespace {

// Kernel and user-space file systems that hold no user files.
const std::set<std::string_view>& PseudoTypes() {
  static const std::set<std::string_view> types = {
      "proc",      "sysfs",    "devtmpfs", "devpts",     "tmpfs",       "ramfs",     "cgroup",
      "cgroup2",   "securityfs", "pstore", "debugfs",    "tracefs",     "mqueue",    "hugetlbfs",
      "configfs",  "fusectl",  "binfmt_misc", "autofs",  "bpf",         "efivarfs",  "nsfs",
      "rpc_pipefs", "selinuxfs", "nfsd",   "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
  };
  return types;
}

std::string Unescape(std::string_view field) {
  auto oct = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && oct(field[i + 1]) && oct(field[i + 2]) &&
        oct(field[i + 3])) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

bool Below(const std::string& path, std::string_view top) {
  return path == top || (path.size() > top.size() && path.compare(0, top.size(), top) == 0 && path[top.size()] == '/');
}

}  // namespace

std::vector<std::string> ParseMountTable(std::string_view table) {
  std::set<std::string> points{"/"};
  std::istringstream in{std::string(table)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string source, point, type;
    if (!(fields >> source >> point >> type)) continue;
    if (PseudoTypes().count(type)) continue;
    std::string mp = Unescape(point);
    if (mp.empty() || mp[0] != '/') continue;
    if (Below(mp, "/proc") || Below(mp, "/sys") || Below(mp, "/dev")) continue;
    while (mp.size() > 1 && mp.back() == '/') mp.pop_back();
    points.insert(mp);
  }
  return {points.begin(), points.end()};
}

std::vector<std::string> MountedVolumes() {
  std::ifstream f("/proc/self/mounts");
  std::string table((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<std::string> out;
  for (auto& mp : ParseMountTable(table)) {
    struct stat st {};
    if (mp == "/" || (stat(mp.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) out.push_back(mp);
  }
  return out;
}

std::string VolumeOf(const std::string& path, const std::vector<std::string>& volumes) {
  std::string best = "/";
  for (const auto& v : volumes) {
    if (v == "/") continue;
    if (Below(path, v) && v.size() > best.size()) best = v;
  }
  return best;
}

}  // namespace vq
