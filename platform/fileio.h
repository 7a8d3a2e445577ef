// Raw file access, folders and file times: the POSIX layer that every tag read and
// write goes through. Failures are thrown as vq::Error with a kind that the windows
// turn into the "更新エラー" message (PathFileAccess) or a Japanese description.
//
// Every operation passes one counting check point, so tests can make the k-th file
// operation fail with a chosen errno (see FaultInjection).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstdint>
#include <ctime>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

enum class ErrorKind {
  PathFileAccess,   // read-only file, EACCES, EPERM, EROFS: reported as "更新エラー"
  FileNotFound,
  PathNotFound,
  DiskFull,
  Io,
  Overflow,
  TypeMismatch,
  InvalidArgument,
  TagTooLong,       // a tag that claims more bytes than its file holds
  HardLinked,       // a file with other names whose tag would have to grow
  ChangedMeanwhile, // another program replaced or changed the file while it was written
  OwnerNotKept,     // a rebuilt copy could not be given the file's owner and group
  InUse,            // another process holds the file's lock (it is writing the file)
  AlreadyExists,    // a new file or name would replace one that exists
  NameTaken,        // a rename's new name names a file or folder already (EEXIST)
  OtherVolume,      // a rename to another file system (EXDEV)
};

// Japanese description of an error kind, ending in "。".
std::u16string ErrorDescription(ErrorKind kind);

class Error : public std::exception {
 public:
  explicit Error(ErrorKind kind);
  Error(ErrorKind kind, std::u16string description);
  ErrorKind kind() const { return kind_; }
  const std::u16string& description() const { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  ErrorKind kind_;
  std::u16string description_;
  std::string what_;
};

// The error kind of an errno value.
ErrorKind KindFromErrno(int err);
[[noreturn]] void ThrowErrno(int err);

// The operations the fault injection can pick.
enum class FileOp { Open, Read, Write, Sync, Close, Remove, Rename, Chmod, List, Stat, SetTimes, Link, MakeFolder, RemoveFolder };

// What names a file and what says whether it changed: device, inode, size and the
// last-modified time to the nanosecond.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::uint64_t size = 0;
  struct timespec modified {};
  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
  }
};

// Test hook: the k-th file operation (counting from 1, of the chosen kind or of any
// kind) fails with errno `err`. One failure per arming.
struct FaultInjection {
  static void FailAt(long k, int err, std::optional<FileOp> only = std::nullopt);
  static void Reset();              // disarm and reset the counter
  static long Count();              // operations seen since the last Reset
  static bool Fired();              // whether the armed failure happened
  static void CheckPoint(FileOp op);  // called by every operation; throws when armed
  // The same check point for an operation that acts on the errno itself (a fallback on
  // EINVAL): the armed errno, 0 when the operation is to run.
  static int Injected(FileOp op);
};

class RawFile;
RawFile CreateTemporaryFile(const std::string& folderPrefix);
RawFile CreateNewFile(const std::string& path, unsigned mode);

// A raw binary file. Closed by the destructor (silently) or by Close().
class RawFile {
 public:
  enum class Mode {
    Read,       // existing file, read only
    // Existing file, read and write; a read-only file fails with PathFileAccess. The
    // file is locked (flock, exclusive) while it is open, so that no other writer (a
    // pass or the editor in another process) changes it between the read and the write.
    // A file another process holds fails at once with InUse: a pass holds its files for
    // a group of writes, and a wait would freeze a window. The path is looked up again
    // once the lock is held, and the file opened anew when another writer replaced it
    // meanwhile.
    ReadWrite,
    Create,     // create or truncate, read and write
  };

  RawFile() = default;
  RawFile(const std::string& path, Mode mode);  // throws Error
  RawFile(RawFile&& other) noexcept;
  RawFile& operator=(RawFile&& other) noexcept;
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;
  ~RawFile();

  bool IsOpen() const { return fd_ >= 0; }
  std::uint64_t Length() const;
  // Reads n bytes at offset; bytes beyond the end of the file read as zero.
  void ReadAt(std::uint64_t offset, void* buf, std::size_t n) const;
  // Reads up to n bytes at offset, returns how many the file had.
  std::size_t ReadSomeAt(std::uint64_t offset, void* buf, std::size_t n) const;
  void WriteAt(std::uint64_t offset, const void* buf, std::size_t n);
  void Sync();
  // Starts writing the file's data to disk without waiting for it: a later flush of many
  // files then finds most of it written.
  void StartWriteback();
  // Flushes every file of the file system this file is on: one flush for many files
  // written one after another.
  void SyncFileSystem();
  void Truncate(std::uint64_t length);
  void Close();  // throws when the close reports an error
  FileIdentity Identity() const;  // of the open file
  nlink_t LinkCount() const;      // names the open file has
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // The file as it was when it was opened by its path (and, for writing, locked):
  // type, size, times. Zero for a file this program created.
  const struct stat& OpenedState() const { return opened_; }

 private:
  friend RawFile CreateTemporaryFile(const std::string& folderPrefix);
  friend RawFile CreateNewFile(const std::string& path, unsigned mode);
  int fd_ = -1;
  std::string path_;
  struct stat opened_ {};
};

// Copies `length` bytes from `from` at `fromOffset` to `to` at `toOffset`
// (copy_file_range where both offsets sit at the same place in a 4 KB block and it
// works, else 1 MB blocks).
void CopyBytes(const RawFile& from, std::uint64_t fromOffset, RawFile& to, std::uint64_t toOffset,
               std::uint64_t length);

// A path holding a zero byte names nothing: the system would stop reading it there and
// reach another file or folder than the one shown. Such a path is no file and no folder,
// and opening it fails with PathNotFound.
bool FileExists(const std::string& path);          // regular file (or link to one)
bool IsFolder(const std::string& path);            // folder (or link to one)
bool IsReadOnly(const std::string& path);          // owner write bit clear
void RemoveFile(const std::string& path);          // throws Error
void RenameFile(const std::string& from, const std::string& to);  // throws Error; atomic replace
void CopyPermissions(const std::string& from, const std::string& to);  // throws Error
void SyncFolder(const std::string& folder);        // fsync of a folder; silent

// The identity of what the path names now (links followed); nullopt when nothing.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The path of the file itself: a symbolic link (or a chain of them) resolved to the
// file it points to, so that a rewrite replaces that file and the link stays a link.
// Any other path as it is.
std::string ResolveFileLink(const std::string& path);

// Temporary files of rewrites start "~tmp" and end ".tmp" ("~tmpmp3-Ab12Cd.tmp"). Each
// writer creates its own under a name no other process uses, and holds a lock on it
// while it lives.
bool IsTemporaryFileName(std::string_view name);
// Creates a new temporary file in the folder (ending in "/"), locked, for reading and
// writing. Throws Error.
RawFile CreateTemporaryFile(const std::string& folderPrefix);
// Creates a file that does not exist yet (never through a symbolic link, never over an
// existing name: AlreadyExists), with the permissions `mode`, open for reading and
// writing and locked. Throws Error.
RawFile CreateNewFile(const std::string& path, unsigned mode);
// Replaces a whole file in one step: the bytes go into a new temporary file beside it,
// are flushed, take the file's permissions (a new file those of the umask), and the
// temporary file is renamed over the file; then the folder is flushed. A crash or a full
// disk leaves the old file whole, never an empty or cut one. A symbolic link is written
// through. Throws Error; then no temporary file is left.
void WriteFileAtomically(const std::string& path, std::string_view bytes);
// Removes the temporary files in the folder (ending in "/") that no living writer holds
// (left by a process that was killed, or by the power going off). Silent.
void RemoveLeftoverTemporaryFiles(const std::string& folderPrefix);

// Last-modified time, truncated to the second; nullopt when the file cannot be examined.
std::optional<std::time_t> ModifiedTime(const std::string& path);

// Sets last-access and last-modified to t and nanoseconds; silent on failure.
void SetFileTimes(const std::string& path, std::time_t t, long nanoseconds = 0);
// Sets the open file's last-access and last-modified times; silent on failure.
void SetFileTimes(const RawFile& file, const struct timespec& accessed, const struct timespec& modified);

struct Mp3FileInfo {
  std::string name;      // bare file name
  std::time_t modified;  // local last-modified, whole seconds (0 when unknown)
  bool readOnly;
  long modifiedNs = 0;   // the nanoseconds of the last-modified time
};

// MP3 files of one folder (regular files or links to them, name ending ".mp3" in any
// case, names starting "." hidden), in the directory's own order (the listing puts
// them in name order with the texts it shows them with). Throws Error when the folder
// cannot be read.
std::vector<Mp3FileInfo> ListMp3Files(const std::string& folder);

// Names of the direct subfolders (hidden ones left out) in name order (name_order.h).
std::vector<std::string> ListSubfolderNames(const std::string& folder);

// Full paths of the direct subfolders in name order (name_order.h).
std::vector<std::string> ListSubfoldersSorted(const std::string& folder);

}  // namespace vq
