// ID3v2.3 tag writing: the one writer that the ID3v2 editor and the batch both use.
// A tag is written in place over the old one when it fits, else the file is rebuilt
// through "~tmpmp3.tmp" in its folder, flushed, and renamed over the MP3 file in one
// step, so the MP3 file is either exactly as before or completely rewritten.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/id3v2_reader.h"

namespace vq {

inline constexpr char kTempFileName[] = "~tmpmp3.tmp";

// How a write reaches the user; the windows implement it.
class WriteReporter {
 public:
  virtual ~WriteReporter() = default;
  // Show "v2" and "3.0" in red in the main window (before the header is written).
  virtual void ShowV2Marks() {}
  // "更新エラー": "ファイルの属性が読み取り専用になっていませんか?" CR LF prefix CR LF name.
  virtual void ReportUpdateError(const std::u16string& folderPrefix, const std::u16string& fileName) = 0;
  // Any other failure: its description, under the program's default caption.
  virtual void ReportError(const std::u16string& description) = 0;
  // Let pending window events run once.
  virtual void Yield() {}
};

// The message text of "更新エラー".
std::u16string UpdateErrorText(const std::u16string& folderPrefix, const std::u16string& fileName);

// A frame as it is written: four-character id, flags, body (encoding byte included).
struct OutFrame {
  std::string id;
  std::uint8_t flags[2] = {0, 0};
  std::string body;
  std::size_t Size() const { return body.size() + 10; }  // bytes in the tag
};

// Body of a text frame: encoding 0 and code page bytes when code page 932 holds the
// text, else encoding 1, FF FE and UTF-16LE; no terminator.
std::string TextFrameBody(std::u16string_view text);
// Body of the comment frame: encoding byte, "jpn", an empty description (one zero or
// one zero unit), then the text.
std::string CommentFrameBody(std::u16string_view text);
// A field or batch frame: COMM gets the comment form, every other id a text frame.
OutFrame MakeTextFrame(std::string_view id, std::u16string_view text);

// The v2.3 id of a v2.2 id by the full mapping of the two versions; empty when it has
// no v2.3 form (CRM).
std::string MapV22Id(std::string_view id3);

// A frame read from an old tag, as it is carried over whole: v2.2 frames under their
// v2.3 ids (PIC converted to APIC), v2.4 text encodings 2 and 3 re-encoded as 1.
// nullopt when the frame has no v2.3 form or the entry holds no frame.
std::optional<OutFrame> CarryOverFrame(const V2FrameEntry& entry);

// Tag size a rebuild uses for N bytes of frames: ((N + 10) div 256 + 2) * 256 - 10.
std::int32_t RoundedTagSize(std::int64_t n);

// Writes a v2.3 tag of size `tagSize` with the frames into the file at `path` whose
// current tag size is `oldTagSize` (0 without a tag): in place over the old tag when
// `inPlace`, else through the temporary file. Throws vq::Error on failure; the file is
// then unchanged (or, in place, the failure happened before the first byte changed)
// and no temporary file is left. Calls reporter.ShowV2Marks() and Yield().
void WriteTagFile(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t tagSize,
                  std::int32_t oldTagSize, bool inPlace, WriteReporter& reporter);

// What the ID3v2 editor hands over.
struct EditorWriteInput {
  std::array<std::u16string, 7> EditorFields;   // title, album, artist, composer, comment, year, genre
  std::vector<std::u16string>* KeptFrameLines = nullptr;  // "id:text", rewritten where converted or dropped
  // Parallel to KeptFrameLines: the old frame each line came from (nullptr for none),
  // so that it can be carried over whole.
  std::vector<const V2FrameEntry*> keptSources;
  std::u16string folderPrefix;  // ends in "/"
  std::u16string fileName;
  std::int32_t* V2TagSize = nullptr;  // read, and updated after a rebuild
  bool frameListingEmpty = true;
  bool keepDate = false;
  std::time_t recordedDate = 0;
};

// The editor's write. Failures are reported through the reporter; returns whether the
// tag was written.
bool WriteV2Tag(EditorWriteInput& in, WriteReporter& reporter);

// The batch's write for one file: frames in order, E the existing tag size (0 without a
// tag). Rebuild with S = R when E = 0 or E < N, else in place with S = E. Throws
// vq::Error on failure. Returns the tag size written.
std::int32_t WriteBatchV2Tag(const std::string& path, const std::vector<OutFrame>& frames, std::int32_t E,
                             WriteReporter& reporter);

}  // namespace vq
