// ID3v2.3 tag writing: the one writer that the ID3v2 editor and the batch both use.
// A tag is written in place over the old one when it fits, else the file is rebuilt
// through a temporary file in its folder ("~tmpmp3-" and six letters, ".tmp"), flushed,
// and renamed over the MP3 file in one step, so the MP3 file is either exactly as before
// or completely rewritten.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/frame_ids.h"
#include "formats/id3v2_reader.h"
#include "platform/fileio.h"

namespace vq {

// How a write reaches whoever asked for it (a window, a pass).
class WriteReporter {
 public:
  virtual ~WriteReporter() = default;
  // Once before a new ID3v2 header is written.
  virtual void HeaderWriting() {}
  // "更新エラー": "ファイルの属性が読み取り専用になっていませんか?" CR LF prefix CR LF name.
  virtual void ReportUpdateError(const std::u16string& folderPrefix, const std::u16string& fileName) = 0;
  // Any other failure: its description, under the program's default caption.
  virtual void ReportError(const std::u16string& description) = 0;
  // Let pending window events run once.
  virtual void Yield() {}
};

// A frame as it is written: four-character id, flags, body (encoding byte included).
struct OutFrame {
  std::string id;
  std::uint8_t flags[2] = {0, 0};
  std::string body;
  std::size_t Size() const { return body.size() + 10; }  // bytes in the tag
};

// How texts are written. CodePage: encoding 0 and code page 932 bytes, as players that
// expect the code page read them (UTF-16 only for a text code page 932 cannot hold).
// Unicode: encoding 1 (FF FE, UTF-16LE) for every text outside ASCII, as players and
// taggers that follow the ID3v2 standard read it ("ID3v2をUnicodeで書く"); ASCII text
// stays encoding 0.
enum class TextChoice { CodePage, Unicode };

// Body of a text frame: encoding 0 and code page bytes, or encoding 1, FF FE and
// UTF-16LE (see TextChoice); no terminator.
std::string TextFrameBody(std::u16string_view text, TextChoice choice = TextChoice::CodePage);
// Body of the comment frame: encoding byte, "jpn", an empty description (one zero or
// one zero unit), then the text.
std::string CommentFrameBody(std::u16string_view text, TextChoice choice = TextChoice::CodePage);
// A field or batch frame made from a value alone: COMM gets the comment form, TXXX
// and WXXX an empty description before the value (so that the value is what readers
// find behind the last zero; a WXXX URL is single-byte text in either choice), every
// other id a text frame.
OutFrame MakeTextFrame(std::string_view id, std::u16string_view text, TextChoice choice = TextChoice::CodePage);

// A frame read from an old tag, as it is carried over whole: its original body bytes
// and, for a v2.3 frame, its original flags. v2.2 frames go under their v2.3 ids (PIC
// becomes APIC with a MIME type, LNK's linked id is mapped too) with flags 0; v2.4
// frames keep their ids, get their flags moved to the v2.3 positions, and lose their
// frame unsynchronisation and data length indicator. Text encodings 2 (UTF-16BE) and 3
// (UTF-8), which v2.3 does not know, are re-encoded as 1 (FF FE, UTF-16LE) in the frames
// whose layout is known (text, TXXX, COMM, USLT, USER, WXXX, APIC, GEOB, SYLT, OWNE,
// COMR). nullopt when the frame has no v2.3 form (CRM, or a v2.4 frame whose body was
// only its data length indicator: a frame of size 0 would hide the frames behind it) or
// the entry holds no frame.
std::optional<OutFrame> CarryOverFrame(const V2FrameEntry& entry);
// The same, taking the entry's body instead of copying it (a picture is not copied).
std::optional<OutFrame> CarryOverFrame(V2FrameEntry&& entry);

// Bytes the frames take in a tag (headers included): the needed size N.
std::int64_t FramesSize(const std::vector<OutFrame>& frames);

// Tag size a rebuild uses for N bytes of frames: ((N + 10) div 256 + 2) * 256 - 10.
// Throws Error(Overflow) when it does not fit the header's 28 bits.
std::int32_t RoundedTagSize(std::int64_t n);

// Largest tag size the header's four 7-bit groups hold.
inline constexpr std::int32_t kMaxTagSize = 0x0FFFFFFF;

// The length (10 + size, and 10 more for a v2.4 footer) of the ID3v2 tag the file
// begins with as it is now, 0 without one. Throws Error(TagTooLong) when that tag claims more bytes than lie before the
// file's ID3v1 record (or before its end, when it has none): written in place it would
// overwrite audio or the record, and a rebuild would copy from inside them.
std::uint64_t ClaimedTagLength(const RawFile& file);

// Writes a v2.3 tag of size `tagSize` with the frames into the file at `path` whose
// current tag size is `oldTagSize` (0 without a tag): in place over the old tag when
// `inPlace` (then tagSize must equal oldTagSize; a v2.4 footer's 10 bytes become
// padding of the new tag), else through a temporary file in the file's folder (the
// folder of the file a symbolic link points to: the link stays a link).
// The file is opened for writing, and so locked (RawFile::Mode::ReadWrite), for the
// whole write. Before anything is created or changed: a read-only file fails with
// PathFileAccess; the header it has now is read: a tag that claims more bytes than lie
// before its ID3v1 record (or its end) fails with TagTooLong, and a header that is not
// the one that was read (a tag of `oldTagSize`, or no tag for 0) fails too; a rebuild of
// a file with other hard links fails with HardLinked. A rebuilt file keeps its owner,
// group and mode (OwnerNotKept when the owner cannot be kept), and takes the name only
// while the path still names the file that was read, unchanged (ChangedMeanwhile).
// Throws vq::Error on failure; the file is then unchanged (in place, the failure
// happened at the one write of the tag region) and no temporary file is left. Calls
// reporter.HeaderWriting() before the tag is written, and, in a rebuild, reporter.Yield()
// once before the rename. Returns the size of the tag written.
std::int32_t WriteTagFile(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                          std::int32_t oldTagSize, bool inPlace, WriteReporter& reporter);

// A rebuild made but not yet given the file's name: the MP3 file, still open and
// locked, and its new copy in a locked temporary file beside it, with the file's owner,
// group and mode, not yet flushed. The batch flushes a group of them with one sync of
// the file system before each takes its file's name.
struct PendingRebuild {
  RawFile mp3;         // the MP3 file, open and locked until the rename
  RawFile temp;        // the new file
  std::string path;    // the MP3 file itself (a symbolic link resolved)
  FileIdentity read;   // the MP3 file as it was read
  struct stat was {};  // its owner, group and mode
};
// The first half of a rebuild (WriteTagFile's checks included): takes the open MP3 file.
// Throws vq::Error; then no temporary file is left and `mp3` stays open.
PendingRebuild PrepareRebuild(RawFile& mp3, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                              std::int32_t oldTagSize, WriteReporter& reporter);
// The second half: flushes the new file (unless `flush` is false because the caller
// synced its file system), lets window events run once, checks that the path still
// names the file that was read, unchanged, and renames the new file over it. Throws
// vq::Error; then the temporary file is removed and the MP3 file left as it was.
void CommitRebuild(PendingRebuild& pending, WriteReporter& reporter, bool flush);
// Gives a pending rebuild up: the temporary file is removed, the MP3 file stays as it was.
void DiscardRebuild(PendingRebuild& pending);
// Makes a group of pending rebuilds durable with one sync of each file system they are on.
class GroupSync {
 public:
  void Sync(PendingRebuild& pending);

 private:
  std::vector<dev_t> synced_;
};
// A rebuild of given bytes, which puts a file back as it was: `head`, then the bytes
// [from, to) of the MP3 file, then `tail`. The same checks, owner and mode as a rebuild;
// CommitRebuild gives the copy the file's name.
PendingRebuild PrepareRebuildWith(RawFile& mp3, std::string_view head, std::uint64_t from, std::uint64_t to,
                                  std::string_view tail);

// Writes a tag region made beforehand (TagRegionBytes) over the old tag of a file open
// for writing, with WriteTagFile's checks: the old tag must have size `oldTagSize` and
// take exactly as many bytes. Returns the size written.
std::int32_t WriteTagRegionInPlace(RawFile& file, std::string_view region, std::int32_t oldTagSize,
                                   WriteReporter& reporter);

// The tag region the batch's rule puts at the start of a file whose tag region is
// `oldRegion` bytes long with size field E (0 for none): over that region, taking all of
// it, when E > 0 and the frames fit; else the rounded size of a rebuild. Into `out`,
// whose buffer is reused.
void PutNewTagRegion(std::string& out, const std::vector<OutFrame>& frames, std::int32_t E, std::uint64_t oldRegion);

// The whole tag region [0, 10 + tagSize) as a write puts it: header, frames, zero padding.
std::string TagRegionBytes(const std::vector<OutFrame>& frames, std::int32_t tagSize);
// The same into `out`, whose buffer is reused.
void PutTagRegion(std::string& out, const std::vector<OutFrame>& frames, std::int32_t tagSize);

// One frame the ID3v2 editor hands over from its list: the id as the list shows it
// (four characters, or a v2.2 id of three), its text (empty for a frame without decoded
// text, such as a picture) and the frame it was loaded from, which goes over whole.
// An empty id stands for a line an earlier write dropped.
struct EditorLine {
  std::u16string id;
  std::u16string text;
  const V2FrameEntry* source = nullptr;  // used when it was read from a file under this id
};

// What the ID3v2 editor hands over.
struct EditorWriteInput {
  std::array<std::u16string, 7> fieldTexts;  // the editor's fields: title, album, artist, composer, comment, year, genre
  std::array<const char*, 7> fieldIds{};     // the v2.3 id each field is written under
  // The frame a field was loaded from while its text is still the loaded one: it goes
  // over whole, so a comment keeps its language and description and another program's
  // encoding stays.
  std::array<const V2FrameEntry*, 7> fieldSources{};
  std::vector<EditorLine> keptLines;  // the frames without a field, in list order
  TextChoice textChoice = TextChoice::CodePage;  // how the texts it makes frames of are written
  std::string path;              // the file's path (its bytes)
  std::u16string folderPrefix;   // the folder as shown in messages, ends in "/"
  std::u16string fileName;       // the file name as shown in messages
  std::int32_t* v2TagSize = nullptr;  // read, and updated after a rebuild
  bool frameTableEmpty = true;  // no frames were read or written: the write rebuilds
  bool keepDate = false;
  std::time_t recordedDate = 0;
  long recordedDateNs = 0;  // its nanoseconds
};

// What became of one kept line: the id it has now (a v2.2 id converted, "TT1" becomes
// "TIT1"; empty when it has no v2.3 form and was dropped) and the frame written for it
// (an index into the frames, -1 for none).
struct WrittenLine {
  std::u16string id;
  int frame = -1;
};

// The frames the editor's write produces, in order (the fields in field order, then
// the kept lines), and where each field and kept line went.
struct EditorFrames {
  std::vector<OutFrame> frames;
  std::array<int, 7> fields{-1, -1, -1, -1, -1, -1, -1};  // frame of each field, -1 for an empty one
  std::vector<WrittenLine> kept;                           // parallel to keptLines
};
// Throws Error(Overflow) when a field or kept value takes more than 32,767 bytes (in the
// code page, or in UTF-16 when the text choice writes it so).
EditorFrames BuildEditorFrames(const EditorWriteInput& in);

// The editor's write: the frames and where each field and line went, and whether the
// tag was written. Failures are reported through the reporter. On success v2TagSize
// holds the new size after a rebuild and, with keepDate, the file gets recordedDate.
struct EditorWriteResult {
  bool written = false;
  EditorFrames plan;
};
EditorWriteResult WriteV2Tag(const EditorWriteInput& in, WriteReporter& reporter);

// The batch's write for one file: frames in order, E the existing tag size (0 without a
// tag), N the frames' size. Rebuild with S = R when E = 0 or E < N, else in place with
// S = E. Throws vq::Error on failure. Returns the tag size written.
std::int32_t WriteBatchV2Tag(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t E,
                             WriteReporter& reporter);
// The same on a file the caller holds open for writing (and so locked), having just
// read its tag: in place through that file (which stays open), or a rebuild, which
// closes it once the new file has its name.
// *inPlace, when given, is set before anything is written when the write goes in place.
std::int32_t WriteBatchV2Tag(RawFile& file, const std::vector<OutFrame>& frames, std::int32_t E,
                             WriteReporter& reporter, bool* inPlace = nullptr);

}  // namespace vq
