#include "platform/fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

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

void FaultInjection::CheckPoint(FileOp op) {
  auto& s = Faults();
  if (s.only && *s.only != op) return;
  ++s.count;
  if (s.failAt > 0 && s.count == s.failAt) {
    s.failAt = 0;
    s.fired = true;
    ThrowErrno(s.err);
  }
}

// ---------------------------------------------------------------- RawFile

RawFile::RawFile(const std::string& path, Mode mode) : path_(path) {
  FaultInjection::CheckPoint(FileOp::Open);
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
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
  if (mode == Mode::ReadWrite) {
    // A read-only file (owner write bit clear) is never written, even by root. Checked
    // on the open file: the path is looked up once.
    struct stat st {};
    if (fstat(fd, &st) == 0 && !(st.st_mode & S_IWUSR)) {
      ::close(fd);
      throw Error(ErrorKind::PathFileAccess);
    }
  }
  fd_ = fd;
}

RawFile::RawFile(RawFile&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

RawFile& RawFile::operator=(RawFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

RawFile::~RawFile() {
  if (fd_ >= 0) ::close(fd_);
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

void RawFile::Sync() {
  FaultInjection::CheckPoint(FileOp::Sync);
  if (::fsync(fd_) != 0) ThrowErrno(errno);
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
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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

std::optional<std::time_t> ModifiedTime(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_mtim.tv_sec;
}

void SetFileTimes(const std::string& path, std::time_t t) {
  try {
    FaultInjection::CheckPoint(FileOp::SetTimes);
  } catch (const Error&) {
    return;  // silent by design
  }
  struct timespec times[2];
  times[0].tv_sec = t;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// ---------------------------------------------------------------- folders

namespace {

bool EndsWithMp3(const char* name) {
  size_t n = std::strlen(name);
  if (n < 4) return false;
  const char* e = name + n - 4;
  return e[0] == '.' && (e[1] | 0x20) == 'm' && (e[2] | 0x20) == 'p' && e[3] == '3';
}

std::string Join(const std::string& folder, const char* name) {
  std::string p = folder;
  if (p.empty() || p.back() != '/') p.push_back('/');
  p += name;
  return p;
}

struct DirCloser {
  DIR* d;
  ~DirCloser() {
    if (d) closedir(d);
  }
};

}  // namespace

std::vector<Mp3FileInfo> ListMp3Files(const std::string& folder) {
  FaultInjection::CheckPoint(FileOp::List);
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
    out.push_back({e->d_name, statOk ? st.st_mtim.tv_sec : 0, statOk && !(st.st_mode & S_IWUSR)});
  }
  return out;
}

std::vector<std::string> ListSubfolderNames(const std::string& folder) {
  FaultInjection::CheckPoint(FileOp::List);
  DIR* d = opendir(folder.empty() ? "/" : folder.c_str());
  if (!d) ThrowErrno(errno);
  DirCloser closer{d};
  int dfd = dirfd(d);
  std::vector<std::string> out;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (e->d_type == DT_DIR) {
      out.emplace_back(e->d_name);
    } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st {};
      if (fstatat(dfd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) out.emplace_back(e->d_name);
    }
  }
  SortNames(out);
  return out;
}

std::vector<std::string> ListSubfoldersSorted(const std::string& folder) {
  auto names = ListSubfolderNames(folder);
  std::vector<std::string> out;
  out.reserve(names.size());
  for (auto& n : names) out.push_back(Join(folder, n.c_str()));
  return out;
}

}  // namespace vq
