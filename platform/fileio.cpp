#include "platform/fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "platform/file_names.h"
#include "platform/name_order.h"
#include "platform/text.h"

namespace vq {

// ---------------------------------------------------------------- errors

std::u16string ErrorDescription(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::PathFileAccess: return u"パス名が無効です。ファイルにアクセスできません。";
    case ErrorKind::FileNotFound: return u"ファイルが見つかりません。";
    case ErrorKind::PathNotFound: return u"パスが見つかりません。";
    case ErrorKind::DiskFull: return u"ディスクの空き容量が不足しています。";
    case ErrorKind::Io: return u"入出力エラーです。";
    case ErrorKind::Overflow: return u"オーバーフローしました。";
    case ErrorKind::TypeMismatch: return u"型が一致しません。";
    case ErrorKind::InvalidArgument: return u"プロシージャの呼び出し、または引数が不正です。";
    case ErrorKind::TagTooLong: return u"ID3v2タグの長さがファイルの長さを超えています。ファイルは変更されていません。";
    case ErrorKind::HardLinked:
      return u"このファイルには別の名前(ハードリンク)があります。タグを大きくするとその名前と別のファイルになるため、"
             u"書き換えませんでした。ファイルは変更されていません。";
    case ErrorKind::ChangedMeanwhile:
      return u"書き込みの間に、ファイルがほかのプログラムによって変更されました。ファイルは変更されていません。";
    case ErrorKind::OwnerNotKept:
      return u"ファイルの所有者とグループを保てないため、書き換えませんでした。ファイルは変更されていません。";
    case ErrorKind::InUse:
      return u"ほかのプログラムがこのファイルを書き込み中です。ファイルは変更されていません。";
    case ErrorKind::AlreadyExists:
      return u"同じ名前のファイルがすでにあります。ファイルは変更されていません。";
    case ErrorKind::NameTaken:
      return u"新しい名前のファイルかフォルダがすでにあります。上書きせず、名前はそのままです。";
    case ErrorKind::OtherVolume:
      return u"別のドライブ(ファイルシステム)へは名前の変更で移せません。名前はそのままです。";
  }
  return u"入出力エラーです。";
}

Error::Error(ErrorKind kind) : Error(kind, ErrorDescription(kind)) {}

Error::Error(ErrorKind kind, std::u16string description)
    : kind_(kind), description_(std::move(description)), what_(Utf16ToUtf8(description_)) {}

ErrorKind KindFromErrno(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return ErrorKind::PathFileAccess;
    case ENOENT: return ErrorKind::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ErrorKind::PathNotFound;
    case ENOSPC:
    case EDQUOT:
      return ErrorKind::DiskFull;
    case EFBIG:
    case EOVERFLOW:
      return ErrorKind::Overflow;
    case EEXIST: return ErrorKind::NameTaken;
    case EXDEV: return ErrorKind::OtherVolume;
    default: return ErrorKind::Io;
  }
}

void ThrowErrno(int err) { throw Error(KindFromErrno(err)); }

// ---------------------------------------------------------------- fault injection

namespace {
struct FaultState {
  long count = 0;
  long failAt = 0;  // 0: disarmed
  int err = 0;
  std::optional<FileOp> only;
  bool fired = false;
};
FaultState& Faults() {
  static FaultState s;
  return s;
}
}  // namespace

void FaultInjection::FailAt(long k, int err, std::optional<FileOp> only) {
  auto& s = Faults();
  s.count = 0;
  s.failAt = k;
  s.err = err;
  s.only = only;
  s.fired = false;
}

void FaultInjection::Reset() { Faults() = FaultState{}; }
long FaultInjection::Count() { return Faults().count; }
bool FaultInjection::Fired() { return Faults().fired; }

int FaultInjection::Injected(FileOp op) {
  auto& s = Faults();
  if (s.only && *s.only != op) return 0;
  ++s.count;
  if (s.failAt > 0 && s.count == s.failAt) {
    s.failAt = 0;
    s.fired = true;
    return s.err;
  }
  return 0;
}

void FaultInjection::CheckPoint(FileOp op) {
  if (const int err = Injected(op)) ThrowErrno(err);
}

// ---------------------------------------------------------------- RawFile

namespace {

struct DirCloser {
  DIR* d;
  ~DirCloser() {
    if (d) closedir(d);
  }
};

bool HasZeroByte(const std::string& path) { return path.find('\0') != std::string::npos; }

int OpenOnce(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) return fd;
  int err = errno;
  if (err == ENOENT) {
    // Tell a missing folder from a missing file.
    auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
      struct stat st {};
      if (stat(path.substr(0, slash).c_str(), &st) != 0) throw Error(ErrorKind::PathNotFound);
    }
  }
  if (err == EISDIR) throw Error(ErrorKind::PathFileAccess);
  ThrowErrno(err);
}

// Takes the exclusive lock on the open file, or fails at once with InUse when another
// writer holds it.
void LockExclusive(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return;  // a file system without locks: written as before
    throw Error(ErrorKind::InUse);
  }
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

RawFile::RawFile(const std::string& path, Mode mode) : path_(path) {
  FaultInjection::CheckPoint(FileOp::Open);
  if (HasZeroByte(path)) throw Error(ErrorKind::PathNotFound);
  // O_NONBLOCK: a FIFO or a device under a file's name is never waited on; it is
  // refused below. Regular files read and write as without it.
  int flags = O_CLOEXEC | O_NONBLOCK;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd = OpenOnce(path, flags);
  struct stat st {};
  if (mode == Mode::ReadWrite) {
    // Once the lock is held, the path must still name the locked file: a writer that
    // held it before may have replaced the file by a rebuilt copy. Then the copy is
    // opened and locked in its turn.
    for (int attempt = 0;; ++attempt) {
      try {
        LockExclusive(fd);
      } catch (...) {
        ::close(fd);
        throw;
      }
      struct stat named {};
      if (fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        ThrowErrno(err);
      }
      if (stat(path.c_str(), &named) != 0 || SameFile(st, named)) break;
      ::close(fd);
      if (attempt >= 100) throw Error(ErrorKind::ChangedMeanwhile);
      fd = OpenOnce(path, flags);
    }
  } else if (fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    ThrowErrno(err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Error(ErrorKind::Io, u"通常のファイルではありません。");
  }
  // A read-only file (owner write bit clear) is never written, even by root. Checked
  // on the open file: the path is looked up once.
  if (mode == Mode::ReadWrite && !(st.st_mode & S_IWUSR)) {
    ::close(fd);
    throw Error(ErrorKind::PathFileAccess);
  }
  fd_ = fd;
  opened_ = st;
}

RawFile::RawFile(RawFile&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)), opened_(other.opened_) {
  other.fd_ = -1;
}

RawFile& RawFile::operator=(RawFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    opened_ = other.opened_;
    other.fd_ = -1;
  }
  return *this;
}

RawFile::~RawFile() {
  if (fd_ >= 0) ::close(fd_);
}

FileIdentity RawFile::Identity() const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) ThrowErrno(errno);
  return {st.st_dev, st.st_ino, static_cast<std::uint64_t>(st.st_size), st.st_mtim};
}

nlink_t RawFile::LinkCount() const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) ThrowErrno(errno);
  return st.st_nlink;
}

std::uint64_t RawFile::Length() const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) ThrowErrno(errno);
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t RawFile::ReadSomeAt(std::uint64_t offset, void* buf, std::size_t n) const {
  FaultInjection::CheckPoint(FileOp::Read);
  auto* p = static_cast<char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return done;
}

void RawFile::ReadAt(std::uint64_t offset, void* buf, std::size_t n) const {
  if (n == 0) return;
  std::size_t got = ReadSomeAt(offset, buf, n);
  if (got < n) std::memset(static_cast<char*>(buf) + got, 0, n - got);
}

void RawFile::WriteAt(std::uint64_t offset, const void* buf, std::size_t n) {
  FaultInjection::CheckPoint(FileOp::Write);
  auto* p = static_cast<const char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    done += static_cast<std::size_t>(r);
  }
}

void RawFile::StartWriteback() {
  if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

void RawFile::Sync() {
  FaultInjection::CheckPoint(FileOp::Sync);
  if (::fsync(fd_) != 0) ThrowErrno(errno);
}

void RawFile::SyncFileSystem() {
  FaultInjection::CheckPoint(FileOp::Sync);
  if (::syncfs(fd_) != 0) ThrowErrno(errno);
}

void RawFile::Truncate(std::uint64_t length) {
  FaultInjection::CheckPoint(FileOp::Write);
  if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) ThrowErrno(errno);
}

void RawFile::Close() {
  if (fd_ < 0) return;
  FaultInjection::CheckPoint(FileOp::Close);  // a failure here leaves the destructor to close
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
}

void CopyBytes(const RawFile& from, std::uint64_t fromOffset, RawFile& to, std::uint64_t toOffset,
               std::uint64_t length) {
  FaultInjection::CheckPoint(FileOp::Write);
  loff_t inOff = static_cast<loff_t>(fromOffset), outOff = static_cast<loff_t>(toOffset);
  std::uint64_t left = length;
  // copy_file_range can share or move whole blocks only when both offsets sit at the
  // same place in a block. Otherwise (a rebuild behind a new tag, almost always) it
  // copies in small pieces, each ending inside a page, which made a 1 MB rebuild a
  // fifth slower, its flush included, than the same bytes in one large write.
  bool fallback = (toOffset - fromOffset) % 4096 != 0;
  while (!fallback && left > 0) {
    ssize_t r = ::copy_file_range(from.fd(), &inOff, to.fd(), &outOff, left, 0);
    if (r < 0) {
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
        fallback = true;
        break;
      }
      ThrowErrno(errno);
    }
    if (r == 0) break;  // source shorter than claimed
    left -= static_cast<std::uint64_t>(r);
  }
  if (fallback) {
    static thread_local std::vector<char> buf(1 << 20);  // kept: a fresh buffer costs its page faults
    while (left > 0) {
      std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
      std::size_t got = from.ReadSomeAt(static_cast<std::uint64_t>(inOff), buf.data(), chunk);
      if (got == 0) break;
      to.WriteAt(static_cast<std::uint64_t>(outOff), buf.data(), got);
      inOff += static_cast<loff_t>(got);
      outOff += static_cast<loff_t>(got);
      left -= got;
    }
  }
  if (left > 0) throw Error(ErrorKind::Io);
}

// ---------------------------------------------------------------- paths

bool FileExists(const std::string& path) {
  struct stat st {};
  return !HasZeroByte(path) && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !HasZeroByte(path) && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);
}

void RemoveFile(const std::string& path) {
  FaultInjection::CheckPoint(FileOp::Remove);
  if (::unlink(path.c_str()) != 0) ThrowErrno(errno);
}

void RenameFile(const std::string& from, const std::string& to) {
  FaultInjection::CheckPoint(FileOp::Rename);
  if (::rename(from.c_str(), to.c_str()) != 0) ThrowErrno(errno);
}

void CopyPermissions(const std::string& from, const std::string& to) {
  FaultInjection::CheckPoint(FileOp::Chmod);
  struct stat st {};
  if (stat(from.c_str(), &st) != 0) ThrowErrno(errno);
  if (::chmod(to.c_str(), st.st_mode & 07777) != 0) ThrowErrno(errno);
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (HasZeroByte(path) || stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino, static_cast<std::uint64_t>(st.st_size), st.st_mtim};
}

std::string ResolveFileLink(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out = real;
  std::free(real);
  return out;
}

namespace {
constexpr char kTemporaryStart[] = "~tmp";
constexpr char kTemporaryEnd[] = ".tmp";
}  // namespace

bool IsTemporaryFileName(std::string_view name) {
  return name.size() >= 8 && name.substr(0, 4) == kTemporaryStart && name.substr(name.size() - 4) == kTemporaryEnd;
}

RawFile CreateTemporaryFile(const std::string& folderPrefix) {
  FaultInjection::CheckPoint(FileOp::Open);
  for (int attempt = 0;; ++attempt) {
    std::string name = folderPrefix + "~tmpmp3-XXXXXX.tmp";
    int fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
    if (fd < 0) {
      int err = errno;
      if (err == ENOENT) throw Error(ErrorKind::PathNotFound);
      ThrowErrno(err);
    }
    // A cleaner in another process takes an unlocked temporary file for a left-over one:
    // it is ours only if the name still names it once our lock is held.
    ::flock(fd, LOCK_EX | LOCK_NB);
    struct stat mine {}, named {};
    if (fstat(fd, &mine) == 0 && stat(name.c_str(), &named) == 0 && SameFile(mine, named)) {
      RawFile file;
      file.fd_ = fd;
      file.path_ = std::move(name);
      return file;
    }
    ::close(fd);
    if (attempt >= 10) throw Error(ErrorKind::Io);
  }
}

RawFile CreateNewFile(const std::string& path, unsigned mode) {
  FaultInjection::CheckPoint(FileOp::Open);
  if (HasZeroByte(path)) throw Error(ErrorKind::PathNotFound);
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == EEXIST) throw Error(ErrorKind::AlreadyExists);
    ThrowErrno(errno);
  }
  ::flock(fd, LOCK_EX | LOCK_NB);  // new: no one else holds it
  RawFile file;
  file.fd_ = fd;
  file.path_ = path;
  return file;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string target = ResolveFileLink(path);
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  mode_t mode = 0;
  struct stat was {};
  if (::stat(target.c_str(), &was) == 0) {
    mode = was.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  RawFile temp = CreateTemporaryFile(folder + "/");  // "//" at the root, which names it
  try {
    temp.WriteAt(0, bytes.data(), bytes.size());
    FaultInjection::CheckPoint(FileOp::Chmod);
    if (::fchmod(temp.fd(), mode) != 0) ThrowErrno(errno);
    temp.Sync();
    RenameFile(temp.path(), target);
  } catch (...) {
    const std::string name = temp.path();
    temp = RawFile();
    ::unlink(name.c_str());
    throw;
  }
  temp = RawFile();
  SyncFolder(folder.empty() ? "/" : folder);
}

void RemoveLeftoverTemporaryFiles(const std::string& folderPrefix) {
  DIR* d = opendir(folderPrefix.empty() ? "/" : folderPrefix.c_str());
  if (!d) return;
  DirCloser closer{d};
  int dfd = dirfd(d);
  while (dirent* e = readdir(d)) {
    if (!IsTemporaryFileName(e->d_name)) continue;
    struct stat link {};
    if (fstatat(dfd, e->d_name, &link, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISLNK(link.st_mode)) {
      ::unlinkat(dfd, e->d_name, 0);  // never ours, and never followed
      continue;
    }
    if (!S_ISREG(link.st_mode)) continue;
    int fd = ::openat(dfd, e->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    struct stat st {};
    // A living writer holds its temporary file locked; a left-over one is free.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat named {};
      if (fstatat(dfd, e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(st, named))
        ::unlinkat(dfd, e->d_name, 0);
    }
    ::close(fd);
  }
}

std::optional<std::time_t> ModifiedTime(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_mtim.tv_sec;
}

void SetFileTimes(const std::string& path, std::time_t t, long nanoseconds) {
  try {
    FaultInjection::CheckPoint(FileOp::SetTimes);
  } catch (const Error&) {
    return;  // silent by design
  }
  struct timespec times[2];
  times[0].tv_sec = t;
  times[0].tv_nsec = nanoseconds;
  times[1] = times[0];
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void SetFileTimes(const RawFile& file, const struct timespec& accessed, const struct timespec& modified) {
  const struct timespec times[2] = {accessed, modified};
  ::futimens(file.fd(), times);
}

// ---------------------------------------------------------------- folders

namespace {

bool EndsWithMp3(const char* name) {
  size_t n = std::strlen(name);
  if (n < 4) return false;
  const char* e = name + n - 4;
  return e[0] == '.' && (e[1] | 0x20) == 'm' && (e[2] | 0x20) == 'p' && e[3] == '3';
}

}  // namespace

std::vector<Mp3FileInfo> ListMp3Files(const std::string& folder) {
  FaultInjection::CheckPoint(FileOp::List);
  if (HasZeroByte(folder)) throw Error(ErrorKind::PathNotFound);
  DIR* d = opendir(folder.empty() ? "/" : folder.c_str());
  if (!d) ThrowErrno(errno);
  DirCloser closer{d};
  int dfd = dirfd(d);
  std::vector<Mp3FileInfo> out;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.' || !EndsWithMp3(e->d_name)) continue;
    if (e->d_type != DT_REG && e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
    struct stat st {};
    bool statOk = fstatat(dfd, e->d_name, &st, 0) == 0;
    if (statOk && !S_ISREG(st.st_mode)) continue;
    if (!statOk && e->d_type != DT_REG) continue;
    out.push_back({e->d_name, statOk ? st.st_mtim.tv_sec : 0, statOk && !(st.st_mode & S_IWUSR),
                   statOk ? st.st_mtim.tv_nsec : 0});
  }
  return out;
}

namespace {

// The folder and every folder above it, as (device, inode): a link among its subfolders
// that leads to one of them would list the folder's files again, or without end.
std::vector<std::pair<dev_t, ino_t>> FolderAndAncestors(const std::string& folder) {
  std::vector<std::pair<dev_t, ino_t>> out;
  char* real = ::realpath(folder.empty() ? "/" : folder.c_str(), nullptr);
  if (!real) return out;
  std::string path = real;
  std::free(real);
  for (;;) {
    struct stat st {};
    if (stat(path.empty() ? "/" : path.c_str(), &st) == 0) out.emplace_back(st.st_dev, st.st_ino);
    auto slash = path.rfind('/');
    if (path.empty() || slash == std::string::npos) break;
    path.erase(slash);
  }
  return out;
}

}  // namespace

std::vector<std::string> ListSubfolderNames(const std::string& folder) {
  FaultInjection::CheckPoint(FileOp::List);
  if (HasZeroByte(folder)) throw Error(ErrorKind::PathNotFound);
  DIR* d = opendir(folder.empty() ? "/" : folder.c_str());
  if (!d) ThrowErrno(errno);
  DirCloser closer{d};
  int dfd = dirfd(d);
  std::vector<std::string> out;
  std::optional<std::vector<std::pair<dev_t, ino_t>>> ancestors;  // looked up at the first link
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (e->d_type == DT_DIR) {
      out.emplace_back(e->d_name);
    } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st {};
      if (fstatat(dfd, e->d_name, &st, 0) != 0 || !S_ISDIR(st.st_mode)) continue;
      if (e->d_type == DT_LNK || (fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))) {
        fstatat(dfd, e->d_name, &st, 0);
        if (!ancestors) ancestors = FolderAndAncestors(folder);
        const auto id = std::make_pair(st.st_dev, st.st_ino);
        if (std::find(ancestors->begin(), ancestors->end(), id) != ancestors->end()) continue;
      }
      out.emplace_back(e->d_name);
    }
  }
  SortNames(out);
  return out;
}

std::vector<std::string> ListSubfoldersSorted(const std::string& folder) {
  auto names = ListSubfolderNames(folder);
  std::vector<std::string> out;
  out.reserve(names.size());
  for (auto& n : names) out.push_back(JoinPath(folder, n));
  return out;
}

}  // namespace vq
