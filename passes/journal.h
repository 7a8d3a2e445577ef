// The undo journal of a pass: before a pass changes a file, what puts it back goes into
// the pass's journal and is flushed to disk. A journal is a plain append-only file of
// checksummed records in the journal folder, one per pass, the last ten kept. A record
// torn by a crash is the last one and is ignored: it was written for a change the pass
// had not yet made. A running pass holds its journal locked, so that undo never takes a
// pass that is still running.
//
// Records: a file's tags (its head, the ID3v2 tag region, and its tail, the ID3v1 record
// a pass replaces or appends; the audio between them never changes), a rename, a file
// created, a folder made or removed. A tags record holds the old head, the old tail, the
// file's times, and a checksum of the new head and tail; the bytes of the old head that
// the new head carries over unchanged (pictures) are recorded as where they lie in the
// new head, not copied.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "passes/pass_kind.h"
#include "platform/fileio.h"

namespace vq {

// One file's tags, as a pass is about to change them.
struct FileChange {
  std::string path;          // the file (its bytes), as the pass opened it
  std::string_view oldHead;  // the file's first bytes the pass replaces (its whole tag region)
  std::string_view newHead;  // what the pass writes in their place
  std::string_view oldTail;  // the last bytes the pass replaces (an ID3v1 record), or none
  std::string_view newTail;  // what the pass writes in their place, or appends
  std::uint64_t oldLength = 0;
  struct timespec accessed {}, modified {};  // the file's times before the pass
};

// The journal a pass writes. Nothing reaches the disk before the first Flush; a pass
// that changes nothing leaves no journal. Records are numbered in the order they are
// taken, whatever their kind.
class PassJournal {
 public:
  // A journal for a pass of `kind` over `folder` (its bytes) in `journalFolder`, which
  // is created when needed.
  PassJournal(std::string journalFolder, PassKind kind, std::string folder);
  PassJournal(const PassJournal&) = delete;
  PassJournal& operator=(const PassJournal&) = delete;

  std::size_t Record(const FileChange& change);
  std::size_t RecordRename(const std::string& from, const std::string& to);
  // A file the pass creates, with the bytes it gets (undo removes it while it holds them).
  std::size_t RecordCreated(const std::string& path, std::string_view bytes);
  std::size_t RecordFolderMade(const std::string& path);
  std::size_t RecordFolderRemoved(const std::string& path);
  // A recorded change the pass did not make after all (it failed and was put back, or
  // the pass ended before it).
  void Withdraw(std::size_t number);
  // Writes the records taken so far and flushes them to disk; the first flush creates
  // the journal (a new file, never through a link), locks it for the pass's lifetime,
  // flushes its folder and removes journals beyond the last ten. Throws Error(Io) with a
  // description that says no file was changed.
  void Flush();
  bool HasUnflushed() const { return !pending_.empty(); }
  // The old head of flushed tags record `number`, from the journal on disk and the new
  // head it was recorded with: what puts a file back when its write fails. Throws Error.
  std::string OldHeadOf(std::size_t number, std::string_view newHead) const;
  // The journal's path, once it is created.
  const std::string& path() const { return path_; }

 private:
  std::size_t Append(char type, std::string_view payload);
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

// The journal folder: $XDG_STATE_HOME/velquist, or ~/.local/state/velquist without it.
std::string JournalFolder();

}  // namespace vq
