#include "platform/app_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/path_dat.h"

namespace vq {

std::string ReferenceTextPath(const std::string& programFolder) {
  const std::string candidates[] = {
      JoinPath(programFolder, kReferenceTextName),
      JoinPath(programFolder, std::string("../share/velquist/") + kReferenceTextName),
  };
  for (const auto& path : candidates) {
    if (FileExists(path)) return path;
  }
  return candidates[0];
}

std::string SettingsBesideProgram(const std::string& programFolder) {
  return JoinPath(programFolder, kPathDatName);
}

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && home[0] == '/' ? std::string(home) : std::string();
}

bool MayWrite(const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0; }

}  // namespace

void MakeUserFolders(const std::string& folder) {
  for (std::size_t pos = folder.find('/', 1);; pos = folder.find('/', pos + 1)) {
    const std::string part = folder.substr(0, pos);
    if (!part.empty() && !IsFolder(part)) ::mkdir(part.c_str(), 0700);
    if (pos == std::string::npos) break;
  }
}

std::string UserSettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base = config && config[0] == '/' ? std::string(config) : HomeFolder() + "/.config";
  return base + "/velquist/" + kPathDatName;
}

std::string SettingsToRead(const std::string& programFolder) {
  const std::string beside = SettingsBesideProgram(programFolder);
  if (FileExists(beside)) return beside;
  if (!MayWrite(programFolder)) {
    const std::string user = UserSettingsPath();
    if (FileExists(user)) return user;
  }
  return {};
}

std::string SettingsToWrite(const std::string& programFolder) {
  if (MayWrite(programFolder)) return SettingsBesideProgram(programFolder);
  const std::string user = UserSettingsPath();
  MakeUserFolders(ParentPath(user));
  return user;
}

std::string FirstRunFolder() {
  if (const char* first = std::getenv("VELQUIST_FIRST_FOLDER"); first && IsFolder(first)) return CleanFolderPath(first);
  std::string music;
  if (FILE* p = ::popen("xdg-user-dir MUSIC 2>/dev/null", "r")) {
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p)) music += buf;
    ::pclose(p);
  }
  while (!music.empty() && (music.back() == '\n' || music.back() == '\r')) music.pop_back();
  if (!music.empty() && music[0] == '/' && IsFolder(music)) return CleanFolderPath(music);
  const std::string home = HomeFolder();
  if (!home.empty() && IsFolder(home)) return CleanFolderPath(home);
  return "/";
}

}  // namespace vq
