// Writing a v2.3 tag into an MP3 file: in place over the old tag, or by a rebuild
// through a temporary file that replaces the MP3 file in one rename. The editor's and the
// batch's sizing rules on top.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <set>

#include "formats/id3v2_writer.h"
#include "formats/synchsafe.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

namespace {

// Padding up to this size goes out with the header and frames in one write.
constexpr std::int64_t kOneWritePadding = 4 << 20;

constexpr char16_t kChangedSinceRead[] = u"ファイルのID3v2タグが読み込んだときと違います。ファイルは変更されていません。";

void PutBigEndian32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// Header and frames into `out` (its old content dropped, its buffer kept); the caller
// adds the padding.
void PutTagHead(std::string& out, const std::vector<OutFrame>& frames, std::int32_t tagSize, std::int64_t padding) {
  out.clear();
  out.reserve(static_cast<std::size_t>(10 + FramesSize(frames) + padding));
  out.append("ID3\x03\x00\x00", 6);
  AppendSynchsafe(out, static_cast<std::uint32_t>(tagSize));
  for (const auto& f : frames) {
    std::string id = f.id.substr(0, 4);
    id.resize(4, ' ');
    out += id;
    PutBigEndian32(out, static_cast<std::uint32_t>(f.body.size()));
    out.push_back(static_cast<char>(f.flags[0]));
    out.push_back(static_cast<char>(f.flags[1]));
    out += f.body;
  }
}

std::string TagHead(const std::vector<OutFrame>& frames, std::int32_t tagSize, std::int64_t padding) {
  std::string out;
  PutTagHead(out, frames, tagSize, padding);
  return out;
}

// The whole tag region [0, 10 + tagSize): header, frames, zero padding.
void WriteTagRegion(RawFile& file, const std::vector<OutFrame>& frames, std::int32_t tagSize) {
  const std::int64_t padding = static_cast<std::int64_t>(tagSize) - FramesSize(frames);
  if (padding <= kOneWritePadding) {
    std::string tag = TagHead(frames, tagSize, padding);
    tag.append(static_cast<std::size_t>(padding), '\0');
    file.WriteAt(0, tag.data(), tag.size());
    return;
  }
  std::string head = TagHead(frames, tagSize, 0);
  file.WriteAt(0, head.data(), head.size());
  std::string zeros(static_cast<std::size_t>(kOneWritePadding), '\0');
  std::uint64_t pos = head.size();
  const std::uint64_t end = 10 + static_cast<std::uint64_t>(tagSize);
  while (pos < end) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), end - pos));
    file.WriteAt(pos, zeros.data(), n);
    pos += n;
  }
}

// The tag the file begins with as it is now: its header's size field and the bytes it
// takes, a v2.4 footer included.
struct TagOnDisk {
  bool present = false;
  std::uint32_t sizeField = 0;
  std::uint64_t length = 0;  // 10 + size (+ 10 for a footer); 0 without a tag
};

TagOnDisk TagAsItIsNow(const RawFile& file) {
  const std::uint64_t fileLength = file.Length();
  std::uint8_t h[10];
  file.ReadAt(0, h, sizeof h);
  TagOnDisk tag;
  if (fileLength < 3 || std::memcmp(h, "ID3", 3) != 0) return tag;
  tag.present = true;
  tag.sizeField = ReadSynchsafe(h + 6);
  tag.length = 10 + static_cast<std::uint64_t>(tag.sizeField) + (HasFooter(h[3], h[5]) ? 10 : 0);
  // Only a claim reaching into the last 128 bytes depends on whether they are a record.
  if (tag.length + 128 <= fileLength) return tag;
  std::uint64_t limit = fileLength;
  if (fileLength >= 128) {
    char record[3];
    file.ReadAt(fileLength - 128, record, sizeof record);
    if (std::memcmp(record, "TAG", 3) == 0) limit = fileLength - 128;
  }
  if (tag.length > limit) throw Error(ErrorKind::TagTooLong);
  return tag;
}

// Where the file's audio starts as it is now, whatever was recorded when it was read.
// The header must still be the one that was read: a tag of oldTagSize, or none when
// oldTagSize is 0 (an empty tag, "ID3" with size 0, counts as none and is replaced).
std::uint64_t CheckTagAsItIsNow(const RawFile& file, std::int32_t oldTagSize) {
  const TagOnDisk tag = TagAsItIsNow(file);
  const bool asRead = oldTagSize > 0 ? tag.present && tag.sizeField == static_cast<std::uint32_t>(oldTagSize)
                                     : !tag.present || tag.sizeField == 0;
  if (!asRead) throw Error(ErrorKind::Io, kChangedSinceRead);
  return tag.length;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// In place over the old tag, whose bytes (a footer's too) the new tag takes whole.
// Returns the new tag's size.
std::int32_t WriteInPlaceOpen(RawFile& file, const std::vector<OutFrame>& frames, std::int32_t oldTagSize,
                              WriteReporter& reporter) {
  const std::uint64_t region = CheckTagAsItIsNow(file, oldTagSize);
  if (region - 10 > static_cast<std::uint64_t>(kMaxTagSize)) throw Error(ErrorKind::Overflow);
  const std::int32_t tagSize = static_cast<std::int32_t>(region - 10);
  reporter.HeaderWriting();
  WriteTagRegion(file, frames, tagSize);
  return tagSize;
}

// Folders whose left-over temporary files this process has removed: once is enough (a
// living writer's own are never removed), and a folder of a thousand files is not read
// again for each of them.
bool FirstRebuildIn(const std::string& folder) {
  static std::set<std::string> seen;
  return seen.insert(folder).second;
}

// The new file takes the old one's owner, group and mode, so that a rewrite by another
// user (root) leaves the file as its owner had it.
void KeepOwnerAndMode(const RawFile& out, const struct stat& was) {
  FaultInjection::CheckPoint(FileOp::Chmod);
  if (::fchown(out.fd(), was.st_uid, was.st_gid) != 0) {
    struct stat now {};
    if (fstat(out.fd(), &now) != 0 || now.st_uid != was.st_uid || now.st_gid != was.st_gid)
      throw Error(ErrorKind::OwnerNotKept);
  }
  if (::fchmod(out.fd(), was.st_mode & 07777) != 0) ThrowErrno(errno);
}

void DropTemporary(RawFile& temp) {
  if (temp.path().empty()) return;
  const std::string path = temp.path();
  temp = RawFile();  // closed silently
  try {
    RemoveFile(path);
  } catch (const Error&) {
  }
}

// The new tag and the bytes behind the old one go into a temporary file of the MP3
// file's own folder (the folder of the file a link points to), which is flushed, given
// the MP3 file's owner and permissions and renamed over it. The MP3 file, open and
// locked by the caller, is only read until the rename and stays locked through it; just
// before the rename its path must still name the file that was read, unchanged. Any
// failure removes the temporary file. The folder is not flushed after the rename: the
// new file's bytes are on disk before it takes the name, so after a crash the name
// holds either the old file or the new one, both whole. The MP3 file is closed.
void Rebuild(RawFile& mp3, const std::vector<OutFrame>& frames, std::int32_t tagSize, std::int32_t oldTagSize,
             WriteReporter& reporter) {
  PendingRebuild pending = PrepareRebuild(mp3, frames, tagSize, oldTagSize, reporter);
  CommitRebuild(pending, reporter, true);
}

// The write on a file open for writing: in place, or a rebuild, which closes it.
std::int32_t WriteOpenFile(RawFile& file, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                           std::int32_t oldTagSize, bool inPlace, WriteReporter& reporter) {
  if (inPlace) return WriteInPlaceOpen(file, frames, oldTagSize, reporter);
  Rebuild(file, frames, tagSize, oldTagSize, reporter);
  return tagSize;
}

}  // namespace

std::uint64_t ClaimedTagLength(const RawFile& file) { return TagAsItIsNow(file).length; }

std::int32_t WriteTagRegionInPlace(RawFile& file, std::string_view region, std::int32_t oldTagSize,
                                   WriteReporter& reporter) {
  if (CheckTagAsItIsNow(file, oldTagSize) != region.size() || oldTagSize <= 0) throw Error(ErrorKind::Io, kChangedSinceRead);
  reporter.HeaderWriting();
  file.WriteAt(0, region.data(), region.size());
  return static_cast<std::int32_t>(region.size() - 10);
}

namespace {

// The rebuild's copy: `writeHead` puts the new first bytes, the bytes [from, to) of the
// MP3 file follow behind them, then `tail`.
template <typename WriteHead>
PendingRebuild PrepareCopy(RawFile& mp3, std::uint64_t headLength, WriteHead writeHead, std::uint64_t from,
                           std::uint64_t to, std::string_view tail) {
  // A file with other names stays one file: a copy would take only this name.
  if (mp3.LinkCount() > 1) throw Error(ErrorKind::HardLinked);
  PendingRebuild p;
  if (fstat(mp3.fd(), &p.was) != 0) ThrowErrno(errno);
  p.path = ResolveFileLink(mp3.path());
  const std::string folder = FolderOf(p.path);
  if (FirstRebuildIn(folder)) RemoveLeftoverTemporaryFiles(folder);
  p.temp = CreateTemporaryFile(folder);
  try {
    writeHead(p.temp);
    p.read = mp3.Identity();
    if (to > p.read.size || from > to) throw Error(ErrorKind::Io, kChangedSinceRead);
    CopyBytes(mp3, from, p.temp, headLength, to - from);
    if (!tail.empty()) p.temp.WriteAt(headLength + (to - from), tail.data(), tail.size());
    KeepOwnerAndMode(p.temp, p.was);
  } catch (...) {
    DropTemporary(p.temp);
    throw;
  }
  p.mp3 = std::move(mp3);
  return p;
}

}  // namespace

PendingRebuild PrepareRebuild(RawFile& mp3, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                              std::int32_t oldTagSize, WriteReporter& reporter) {
  const std::uint64_t audioStart = CheckTagAsItIsNow(mp3, oldTagSize);
  return PrepareCopy(
      mp3, 10 + static_cast<std::uint64_t>(tagSize),
      [&](RawFile& temp) {
        reporter.HeaderWriting();
        WriteTagRegion(temp, frames, tagSize);
      },
      audioStart, mp3.Length(), {});
}

PendingRebuild PrepareRebuildWith(RawFile& mp3, std::string_view head, std::uint64_t from, std::uint64_t to,
                                  std::string_view tail) {
  return PrepareCopy(
      mp3, head.size(), [&](RawFile& temp) { temp.WriteAt(0, head.data(), head.size()); }, from, to, tail);
}

void PutNewTagRegion(std::string& out, const std::vector<OutFrame>& frames, std::int32_t E, std::uint64_t oldRegion) {
  const std::int64_t n = FramesSize(frames);
  PutTagRegion(out, frames, E <= 0 || E < n ? RoundedTagSize(n) : static_cast<std::int32_t>(oldRegion - 10));
}

void PutTagRegion(std::string& out, const std::vector<OutFrame>& frames, std::int32_t tagSize) {
  const std::int64_t padding = static_cast<std::int64_t>(tagSize) - FramesSize(frames);
  if (padding < 0) throw Error(ErrorKind::Overflow);
  PutTagHead(out, frames, tagSize, padding);
  out.append(static_cast<std::size_t>(padding), '\0');
}

std::string TagRegionBytes(const std::vector<OutFrame>& frames, std::int32_t tagSize) {
  std::string out;
  PutTagRegion(out, frames, tagSize);
  return out;
}

void CommitRebuild(PendingRebuild& p, WriteReporter& reporter, bool flush) {
  try {
    if (flush) p.temp.Sync();
    reporter.Yield();
    if (IdentityOf(p.path) != p.read) throw Error(ErrorKind::ChangedMeanwhile);
    RenameFile(p.temp.path(), p.path);
  } catch (...) {
    DiscardRebuild(p);
    throw;
  }
  p.temp = RawFile();  // its lock ends with the name it had
  p.mp3 = RawFile();
}

void GroupSync::Sync(PendingRebuild& p) {
  if (std::find(synced_.begin(), synced_.end(), p.read.device) != synced_.end()) return;
  p.temp.SyncFileSystem();
  synced_.push_back(p.read.device);
}

void DiscardRebuild(PendingRebuild& p) {
  DropTemporary(p.temp);
  p.mp3 = RawFile();
}

std::int32_t WriteTagFile(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                          std::int32_t oldTagSize, bool inPlace, WriteReporter& reporter) {
  if (tagSize < 0 || tagSize > kMaxTagSize) throw Error(ErrorKind::Overflow);
  if (FramesSize(frames) > tagSize) throw Error(ErrorKind::Overflow);
  if (inPlace && (tagSize != oldTagSize || oldTagSize <= 0)) throw Error(ErrorKind::InvalidArgument);
  RawFile file(path, RawFile::Mode::ReadWrite);
  const std::int32_t written = WriteOpenFile(file, frames, tagSize, oldTagSize, inPlace, reporter);
  if (file.IsOpen()) file.Close();
  return written;
}

EditorWriteResult WriteV2Tag(const EditorWriteInput& in, WriteReporter& reporter) {
  EditorWriteResult result;
  try {
    result.plan = BuildEditorFrames(in);
    const std::vector<OutFrame>& frames = result.plan.frames;
    const std::int64_t n = FramesSize(frames);
    const std::int32_t old = in.v2TagSize ? *in.v2TagSize : 0;
    const std::string& path = in.path;
    const bool inPlace = !in.frameTableEmpty && old > 0 && old >= n;
    const std::int32_t size = inPlace ? old : std::max(RoundedTagSize(n), old);
    const std::int32_t written = WriteTagFile(path, frames, size, old, inPlace, reporter);
    if (in.v2TagSize) *in.v2TagSize = written;
    if (in.keepDate) SetFileTimes(path, in.recordedDate, in.recordedDateNs);
    result.written = true;
  } catch (const Error& e) {
    if (e.kind() == ErrorKind::PathFileAccess)
      reporter.ReportUpdateError(in.folderPrefix, in.fileName);
    else
      reporter.ReportError(e.description());
  } catch (const std::bad_alloc&) {
    reporter.ReportError(u"メモリが不足しています。");
  } catch (const std::exception&) {
    reporter.ReportError(ErrorDescription(ErrorKind::Io));
  }
  return result;
}

std::int32_t WriteBatchV2Tag(RawFile& file, const std::vector<OutFrame>& frames, std::int32_t E,
                             WriteReporter& reporter, bool* inPlace) {
  const std::int64_t n = FramesSize(frames);
  if (E <= 0 || E < n) return WriteOpenFile(file, frames, RoundedTagSize(n), std::max(E, 0), false, reporter);
  if (E > kMaxTagSize) throw Error(ErrorKind::Overflow);
  if (inPlace) *inPlace = true;
  return WriteOpenFile(file, frames, E, E, true, reporter);
}

std::int32_t WriteBatchV2Tag(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t E,
                             WriteReporter& reporter) {
  RawFile file(path, RawFile::Mode::ReadWrite);
  const std::int32_t size = WriteBatchV2Tag(file, frames, E, reporter);
  if (file.IsOpen()) file.Close();
  return size;
}

}  // namespace vq
