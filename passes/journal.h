// The undo journal of a pass: before a pass changes a file, what puts the file's tags
// back byte for byte goes into the pass's journal and is flushed to disk. A journal is a
// plain append-only file of checksummed records in the journal folder, one per pass, the
// last ten kept. A record torn by a crash is the last one and is ignored: it was written
// for a file the pass had not yet touched.
//
// A file is seen as three parts: its head (the ID3v2 tag region, empty without one), its
// audio, which a pass never changes, and its tail (the ID3v1 record a pass replaces or
// appends, empty when the pass leaves the end alone). A record holds the old head, the
// old tail, the file's times, and a checksum of the new head and tail; the bytes of the
// old head that the new head carries over unchanged (pictures) are recorded as where they
// lie in the new head, not copied.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/id3v2_writer.h"
#include "platform/fileio.h"

namespace vq {

enum class PassKind : std::uint8_t { Batch = 1, Unicode = 2 };

// One file's change, as the pass is about to make it.
struct FileChange {
  std::string path;          // the file (its bytes), as the pass opened it
  std::string_view oldHead;  // the file's first bytes the pass replaces (its whole tag region)
  std::string_view newHead;  // what the pass writes in their place
  std::string_view oldTail;  // the last bytes the pass replaces (an ID3v1 record), or none
  std::string_view newTail;  // what the pass writes in their place, or appends
  std::uint64_t oldLength = 0;
  struct timespec accessed {}, modified {};  // the file's times before the pass
};

// The journal a pass writes. Nothing reaches the disk before the first record's Flush;
// a pass that changes no file leaves no journal.
class PassJournal {
 public:
  // A journal for a pass of `kind` over `folder` (its bytes) in `journalFolder`, which
  // is created when needed.
  PassJournal(std::string journalFolder, PassKind kind, std::string folder);
  PassJournal(const PassJournal&) = delete;
  PassJournal& operator=(const PassJournal&) = delete;

  // Takes one file's record (kept in memory until Flush). Returns its number.
  std::size_t Record(const FileChange& change);
  // A recorded file the pass did not change after all (it failed and was put back, or
  // the pass ended before it).
  void Withdraw(std::size_t number);
  // Writes the records taken so far and flushes them to disk; the first flush creates
  // the journal, flushes its folder and removes journals beyond the last ten. Throws
  // Error(Io) with a description that says no file was changed.
  void Flush();
  bool HasUnflushed() const { return !pending_.empty(); }
  // The old head of flushed record `number`, from the journal on disk and the new head it
  // was recorded with: what puts a file back when its write fails. Throws Error.
  std::string OldHeadOf(std::size_t number, std::string_view newHead) const;
  // The journal's path, once it is created.
  const std::string& path() const { return path_; }

 private:
  void Create();
  std::string folderOfJournals_;
  PassKind kind_;
  std::string folder_;
  std::string path_;
  RawFile file_;
  std::uint64_t length_ = 0;
  std::string pending_;
  std::size_t records_ = 0;
};

// The bytes the batch's ID3v2 step writes at the start of a file whose tag region is
// `oldRegion` bytes long with size field E (0 for none): in place over that region when
// E > 0 and the frames fit, else the rounded tag of a rebuild.
std::string NewHeadBytes(const std::vector<OutFrame>& frames, std::int32_t E, std::uint64_t oldRegion);
// The same into `out`, whose buffer is reused.
void PutNewHead(std::string& out, const std::vector<OutFrame>& frames, std::int32_t E, std::uint64_t oldRegion);

// The journal folder: $XDG_STATE_HOME/velquist, or ~/.local/state/velquist without it.
std::string JournalFolder();

struct PassInfo {
  std::string path;          // the journal
  std::string name;          // its file name, what --undo takes
  std::time_t started = 0;
  PassKind kind = PassKind::Batch;
  std::string folder;        // the folder the pass ran over (bytes)
  std::size_t files = 0;     // files it changed
  bool undone = false;       // undo has run over it
};
// The journals of `journalFolder`, newest first; unreadable files are left out.
std::vector<PassInfo> ListPasses(const std::string& journalFolder);
// One journal's summary; throws Error when it is no journal.
PassInfo ReadPassInfo(const std::string& journalPath);

class UndoReporter : public WriteReporter {
 public:
  // A file the undo left alone: changed since the pass, gone, or failing (`why`).
  virtual void Skipped(const std::string& path, const std::u16string& why) = 0;
};
struct UndoResult {
  std::size_t restored = 0;  // files given their old tags and times back
  std::size_t skipped = 0;   // files left alone (reported)
};
// Puts back every file of the journal whose head and tail are still exactly what the
// pass wrote: the old head and tail are written in place when the head keeps its length,
// else through a temporary file renamed over the file, and the old times restored. A
// file already as it was before the pass counts as neither. Afterwards the journal is
// marked as undone. Throws Error when the journal cannot be read.
UndoResult UndoPass(const std::string& journalPath, UndoReporter& reporter);

// The newest journal of `journalFolder`, nullopt when there is none.
std::optional<PassInfo> LastPass(const std::string& journalFolder);

// What the windows and the command line say of passes and undo:
// "2026-12-07 18:45  自動処理  /music/Artist/  1,000 曲" (local time; the folder as shown).
std::u16string PassText(const PassInfo& pass);
// "k 曲を元に戻しました。" CR LF "そのままにした曲: m 曲", and when m > 0 why
// ("(処理の後に変更されていたか、書き込めなかった曲)").
std::u16string UndoResultText(const UndoResult& result);

}  // namespace vq
