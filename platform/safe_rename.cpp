#include "platform/safe_rename.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/case_fold.h"
#include "platform/file_names.h"
#include "platform/fileio.h"

namespace vq {

namespace {

bool ShowsNoRenameFlags(int err) { return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP; }

// The new name is claimed by an empty file (a folder for a folder) made exclusively, so
// that no other entry can appear there; the plain rename then replaces only that claim.
// For file systems without RENAME_NOREPLACE and without hard links.
void RenameOverClaim(const std::string& from, const std::string& to, bool folder) {
  FaultInjection::CheckPoint(FileOp::Open);
  if (folder) {
    if (::mkdir(to.c_str(), 0700) != 0) ThrowErrno(errno);
  } else {
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) ThrowErrno(errno);
    ::close(fd);
  }
  int err = FaultInjection::Injected(FileOp::Rename);
  if (!err && ::rename(from.c_str(), to.c_str()) != 0) err = errno;
  if (err) {
    if (folder)
      ::rmdir(to.c_str());
    else
      ::unlink(to.c_str());
    ThrowErrno(err);
  }
}

// A regular file's new name as a second hard link, then the old name removed; the link
// is taken back when the old name cannot be removed, so the file keeps one name.
void RenameByLink(const std::string& from, const std::string& to) {
  int err = FaultInjection::Injected(FileOp::Link);
  if (!err && ::link(from.c_str(), to.c_str()) != 0) err = errno;
  if (err == EPERM || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK) {
    RenameOverClaim(from, to, false);  // no hard links here (FAT)
    return;
  }
  if (err) ThrowErrno(err);
  err = FaultInjection::Injected(FileOp::Remove);
  if (!err && ::unlink(from.c_str()) != 0) err = errno;
  if (err) {
    ::unlink(to.c_str());
    ThrowErrno(err);
  }
}

// One rename that never replaces, without the case-only handling.
void RenameOnce(const std::string& from, const std::string& to) {
  int err = FaultInjection::Injected(FileOp::Rename);
  if (!err && ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (!err) err = errno;
  if (!ShowsNoRenameFlags(err)) ThrowErrno(err);
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) ThrowErrno(errno);
  if (S_ISREG(st.st_mode))
    RenameByLink(from, to);
  else
    RenameOverClaim(from, to, S_ISDIR(st.st_mode));
}

// The extension of a name (from its last "."), kept by an intermediate name so that a
// file left under it still shows what it is; "" when there is none or it is long.
std::string ShortExtension(const std::string& name) {
  const auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || name.size() - dot > 16) return {};
  return name.substr(dot);
}

std::string RandomLetters() {
  static std::mt19937 random{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string out(6, 'a');
  for (char& c : out) c = kLetters[random() % (sizeof kLetters - 1)];
  return out;
}

// A case-only rename where the file system takes both spellings for one name: first to
// an intermediate name in the same folder, then to the new spelling. When the second
// step fails the file gets its old name back; when that fails too, the error says
// which name it has now.
void RenameThroughIntermediate(const std::string& from, const std::string& to) {
  const std::string folder = ParentPath(from);
  const std::string extension = ShortExtension(LastComponent(from));
  std::string middle;
  for (int attempt = 0;; ++attempt) {
    middle = folder + "/.vq-rename-" + RandomLetters() + extension;
    try {
      RenameOnce(from, middle);
      break;
    } catch (const Error& e) {
      if (e.kind() != ErrorKind::NameTaken || attempt >= 10) throw;
    }
  }
  try {
    RenameOnce(middle, to);
  } catch (const Error& e) {
    try {
      RenameOnce(middle, from);
    } catch (const Error&) {
      throw Error(e.kind(), e.description() + u"ファイルの今の名前は「" + DecodeName(LastComponent(middle)) + u"」です。");
    }
    throw;
  }
}

}  // namespace

bool SameEntryIgnoringCase(const std::string& from, const std::string& to) {
  if (from == to || ParentPath(from) != ParentPath(to)) return false;
  const std::string fromName = LastComponent(from), toName = LastComponent(to);
  if (FoldNameCase(fromName) != FoldNameCase(toName)) return false;
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0 || ::lstat(to.c_str(), &st) != 0) return false;
  // `to` names something. It is `from` itself when the folder lists `from` under its
  // own spelling and nothing under the spelling of `to`.
  const std::string folder = ParentPath(from);
  DIR* d = ::opendir(folder.empty() ? "/" : folder.c_str());
  if (!d) return false;
  bool fromListed = false, toListed = false;
  while (const dirent* e = ::readdir(d)) {
    if (fromName == e->d_name) fromListed = true;
    if (toName == e->d_name) toListed = true;
  }
  ::closedir(d);
  return fromListed && !toListed;
}

void RenameNoReplace(const std::string& from, const std::string& to) {
  if (from == to) return;
  if (from.find('\0') != std::string::npos || to.find('\0') != std::string::npos) throw Error(ErrorKind::PathNotFound);
  try {
    RenameOnce(from, to);
  } catch (const Error& e) {
    if (e.kind() != ErrorKind::NameTaken || !SameEntryIgnoringCase(from, to)) throw;
    RenameThroughIntermediate(from, to);
  }
}

std::vector<std::string> MakeFolders(const std::string& folder) {
  std::vector<std::string> made;
  try {
    std::size_t end = 0;
    while (end != std::string::npos) {
      end = folder.find('/', end + 1);
      const std::string part = folder.substr(0, end);
      if (part.empty()) continue;
      struct stat st {};
      if (::stat(part.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) throw Error(ErrorKind::NameTaken);
        continue;
      }
      int err = FaultInjection::Injected(FileOp::MakeFolder);
      if (!err && ::mkdir(part.c_str(), 0777) != 0) err = errno;
      if (err == EEXIST && ::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;  // made meanwhile
      if (err) ThrowErrno(err);
      made.push_back(part);
    }
  } catch (const Error&) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) ::rmdir(it->c_str());
    throw;
  }
  return made;
}

bool RemoveEmptyFolder(const std::string& folder) {
  int err = FaultInjection::Injected(FileOp::RemoveFolder);
  if (!err && ::rmdir(folder.c_str()) == 0) return true;
  if (!err) err = errno;
  if (err == ENOTEMPTY || err == EEXIST || err == ENOENT) return false;
  // Some file systems say EPERM for a folder that is not empty (fusefat).
  if (DIR* d = ::opendir(folder.c_str())) {
    bool holdsSomething = false;
    while (const dirent* e = ::readdir(d)) {
      const std::string_view name = e->d_name;
      if (name != "." && name != "..") holdsSomething = true;
    }
    ::closedir(d);
    if (holdsSomething) return false;
  }
  ThrowErrno(err);
}

}  // namespace vq
