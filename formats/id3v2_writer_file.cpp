// Writing a v2.3 tag into an MP3 file: in place over the old tag, or by a rebuild
// through "~tmpmp3.tmp" that replaces the MP3 file in one rename. The editor's and the
// batch's sizing rules on top.
#include <algorithm>
#include <cstring>
#include <new>

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

// Header and frames; the caller adds the padding.
std::string TagHead(const std::vector<OutFrame>& frames, std::int32_t tagSize, std::int64_t padding) {
  std::string out;
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

// Where the file's audio starts as it is now, whatever was recorded when it was read.
// The header must still be the one that was read: a tag of oldTagSize, or none when
// oldTagSize is 0 (an empty tag, "ID3" with size 0, counts as none and is replaced).
std::uint64_t CheckTagAsItIsNow(const RawFile& file, std::int32_t oldTagSize) {
  const std::uint64_t tagLength = ClaimedTagLength(file);
  const std::uint64_t expected = oldTagSize > 0 ? 10 + static_cast<std::uint64_t>(oldTagSize) : 0;
  if (tagLength != expected && !(expected == 0 && tagLength == 10)) throw Error(ErrorKind::Io, kChangedSinceRead);
  return tagLength;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void WriteInPlaceOpen(RawFile& file, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                      WriteReporter& reporter) {
  CheckTagAsItIsNow(file, tagSize);
  reporter.ShowV2Marks();
  WriteTagRegion(file, frames, tagSize);
}

void WriteInPlace(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                  WriteReporter& reporter) {
  RawFile file(path, RawFile::Mode::ReadWrite);
  WriteInPlaceOpen(file, frames, tagSize, reporter);
  file.Close();
}

// The new tag and the bytes behind the old one go into "~tmpmp3.tmp", which is flushed,
// given the MP3 file's permissions and renamed over it. Until the rename the MP3 file is
// only read; any failure removes the temporary file. The folder is not flushed after the
// rename: the new file's bytes are on disk before it takes the name, so after a crash
// the name holds either the old file or the new one, both whole.
void Rebuild(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t tagSize,
             std::int32_t oldTagSize, WriteReporter& reporter) {
  // Opened for writing although only read, so that a file that may not be changed
  // (read-only, not ours to write) fails here, before anything is created.
  RawFile mp3(path, RawFile::Mode::ReadWrite);
  const std::uint64_t length = mp3.Length();
  const std::uint64_t audioStart = CheckTagAsItIsNow(mp3, oldTagSize);

  const std::string temp = FolderOf(path) + kTempFileName;
  try {
    RemoveFile(temp);  // a left-over one, or a link that must not be followed
  } catch (const Error& e) {
    if (e.kind() != ErrorKind::FileNotFound) throw;
  }
  RawFile out(temp, RawFile::Mode::Create);
  try {
    reporter.ShowV2Marks();
    WriteTagRegion(out, frames, tagSize);
    CopyBytes(mp3, audioStart, out, 10 + static_cast<std::uint64_t>(tagSize), length - audioStart);
    out.Sync();
    out.Close();
    mp3.Close();
    CopyPermissions(path, temp);
    reporter.Yield();
    RenameFile(temp, path);
  } catch (...) {
    out = RawFile();  // closed silently
    try {
      RemoveFile(temp);
    } catch (const Error&) {
    }
    throw;
  }
}

}  // namespace

std::uint64_t ClaimedTagLength(const RawFile& file) {
  const std::uint64_t length = file.Length();
  std::uint8_t h[10];
  file.ReadAt(0, h, sizeof h);
  if (length < 3 || std::memcmp(h, "ID3", 3) != 0) return 0;
  const std::uint64_t tagLength = 10 + static_cast<std::uint64_t>(ReadSynchsafe(h + 6));
  // Only a claim reaching into the last 128 bytes depends on whether they are a record.
  if (tagLength + 128 <= length) return tagLength;
  std::uint64_t limit = length;
  if (length >= 128) {
    char tag[3];
    file.ReadAt(length - 128, tag, sizeof tag);
    if (std::memcmp(tag, "TAG", 3) == 0) limit = length - 128;
  }
  if (tagLength > limit) throw Error(ErrorKind::TagTooLong);
  return tagLength;
}

void WriteTagFile(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                  std::int32_t oldTagSize, bool inPlace, WriteReporter& reporter) {
  if (tagSize < 0 || tagSize > kMaxTagSize) throw Error(ErrorKind::Overflow);
  if (FramesSize(frames) > tagSize) throw Error(ErrorKind::Overflow);
  if (inPlace) {
    if (tagSize != oldTagSize || oldTagSize <= 0) throw Error(ErrorKind::InvalidArgument);
    WriteInPlace(path, frames, tagSize, reporter);
  } else {
    Rebuild(path, frames, tagSize, oldTagSize, reporter);
  }
}

EditorWriteResult WriteV2Tag(const EditorWriteInput& in, WriteReporter& reporter) {
  EditorWriteResult result;
  try {
    result.plan = BuildEditorFrames(in);
    const std::vector<OutFrame>& frames = result.plan.frames;
    const std::int64_t n = FramesSize(frames);
    const std::int32_t old = in.v2TagSize ? *in.v2TagSize : 0;
    const std::string& path = in.path;
    const bool inPlace = !in.frameListingEmpty && old > 0 && old >= n;
    const std::int32_t size = inPlace ? old : std::max(RoundedTagSize(n), old);
    WriteTagFile(path, frames, size, old, inPlace, reporter);
    if (in.v2TagSize) *in.v2TagSize = size;
    if (in.keepDate) SetFileTimes(path, in.recordedDate);
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
  if (E <= 0 || E < n) {
    const std::int32_t size = RoundedTagSize(n);
    const std::string path = file.path();
    file.Close();
    WriteTagFile(path, frames, size, std::max(E, 0), false, reporter);
    return size;
  }
  // In place: the checks of WriteTagFile, then its one write, through the open file.
  if (E > kMaxTagSize) throw Error(ErrorKind::Overflow);
  if (inPlace) *inPlace = true;
  WriteInPlaceOpen(file, frames, E, reporter);
  return E;
}

std::int32_t WriteBatchV2Tag(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t E,
                             WriteReporter& reporter) {
  RawFile file(path, RawFile::Mode::ReadWrite);
  const std::int32_t size = WriteBatchV2Tag(file, frames, E, reporter);
  if (file.IsOpen()) file.Close();
  return size;
}

}  // namespace vq
