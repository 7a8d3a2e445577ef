// Bringing a collection's ID3v2 tags to Unicode: every single-byte text (encoding 0)
// that is not plain ASCII becomes UTF-16 (encoding 1, FF FE) in an ID3v2.3 tag, read
// from its bytes as code page 932 or as ISO-8859-1 (formats/text_reading.h). No
// window: the command line, the conversion window and the tests drive it alike.
//
// Texts converted: every text frame (T***, TXXX's description and value), COMM and USLT
// (description and text), the descriptions of APIC and WXXX (the URL stays single-byte),
// GEOB's file name and description. UTF-8 (v2.4) texts become UTF-16 too, which v2.3
// has. Everything else is kept byte for byte: ASCII-only frames, texts already in
// UTF-16, pictures, frames of other kinds, the ID3v1 record, the audio. A frame with
// a text whose reading stays undecided is left as it is, and so is a tag whose frames
// the reader cannot walk whole (an extended header, bytes after the frames that are not
// padding, a frame with no v2.3 form).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "passes/batch_pass.h"
#include "formats/id3v2_writer.h"
#include "formats/text_reading.h"

namespace vq {

// One text of a file's preview.
struct UnicodeText {
  std::string frameId;    // v2.3 id: "TIT2", "COMM", ...
  std::u16string today;   // what players that follow the standard show now: the bytes as
                          // ISO-8859-1 (its undefined control bytes as U+FFFD), or the
                          // UTF-8 text
  std::u16string becomes; // the text as it is written in UTF-16; for an undecided text,
                          // its code page 932 reading (what Velquist shows)
  TextReading reading = TextReading::Undecided;  // how the bytes are read
  bool fromUtf8 = false;        // a UTF-8 text (reading is then not used)
  bool byOtherTexts = false;    // decided by the file's or the folder's other texts
};

// What the conversion does to one file.
struct UnicodeFilePlan {
  std::vector<UnicodeText> changes;    // texts that become UTF-16
  std::vector<UnicodeText> undecided;  // texts left as they are
  bool rewrite = false;                // the tag is written again
  bool unreadableTag = false;          // unsynchronised or extended header: left alone
  ReadingTally own;                    // texts decided by their own bytes
  bool waitsForFolder = false;         // an undecided text the file's texts do not decide
};

// The plan and the new frames for one tag: `tag` is the whole tag as read (header and
// `header.size` bytes). `folder`, when given, is the tally of the folder's texts for the
// texts the file's own texts leave undecided. The frames are those of the v2.3 tag to
// write (empty when plan.rewrite is false).
struct UnicodeTagResult {
  UnicodeFilePlan plan;
  std::vector<OutFrame> frames;
};
UnicodeTagResult PlanUnicodeTag(std::string_view tag, const ReadingTally* folder);

// One file of a conversion: its path (bytes) and how messages show it.
struct UnicodeFile {
  std::string path;
  std::u16string shownFolder;  // the folder as shown in messages, ends in "/"
  std::u16string shownName;
};

// The MP3 files of a folder and of every folder below it (links to folders are not
// followed, hidden entries are left out), each folder's files sorted by name, the
// folder's own files before its subfolders'. Throws Error when `folder` cannot be read;
// a subfolder that cannot be read is left out.
std::vector<UnicodeFile> ListMp3FilesBelow(const std::string& folder);

// The files of a listing (the main window's rows).
std::vector<UnicodeFile> UnicodeFilesOf(const std::string& folder, const std::vector<ListedFile>& rows);

struct UnicodeSettings {
  bool write = true;      // false: the preview only (nothing is opened for writing)
  bool keepDate = false;  // a changed file keeps the modification date it has when it is written
  // Where the undo journal goes (JournalFolder()), empty for none; `folder` is the
  // folder the conversion runs over, as the journal names it.
  std::string journalFolder;
  std::string folder;
};

struct UnicodeResult : BatchResult {
  std::size_t converted = 0;  // files whose tag was (or would be) written
  std::size_t unchanged = 0;  // files left as they were
  std::size_t undecided = 0;  // files with a text left undecided (counted above too)
};

// The preview of one file as lines ending in "\n": its path, then per text that changes
// "  TIT2  today → becomes  (how it was read)", per undecided text
// "  TIT2  判定できません: today (コードページ932では becomes)". Control characters of the
// texts show as spaces. Empty for a file with nothing to show.
std::u16string PreviewText(const UnicodeFile& file, const UnicodeFilePlan& plan);

// The counts' line: "変換 1 曲、変更なし 2 曲、判定できない文字列のある曲 0 曲" (with
// `preview`, "変換する曲" for the first).
std::u16string CountsText(const UnicodeResult& result, bool preview);

class UnicodeCallbacks : public BatchCallbacks {
 public:
  // A file's plan once it is final: before its tag is written in a real run.
  virtual void FilePlanned(const UnicodeFile& file, const UnicodeFilePlan& plan) {}
};

// Runs the conversion over the files, folder by folder: a file whose undecided texts
// wait for its folder's tally is planned again once the folder's files are read. The
// first failing file stops the run and is reported through the callbacks as the batch
// reports it ("更新エラー" with its folder and name, or the description with them);
// files before it keep their new tags, the failing file is left as it was (its times
// too). Progress counts files.
UnicodeResult RunUnicodeConversion(const std::vector<UnicodeFile>& files, const UnicodeSettings& settings,
                                   UnicodeCallbacks& callbacks);

}  // namespace vq
