// Reading journals back: the passes that can be undone, newest first, and the records
// of one pass. A journal comes from disk and may be damaged or crafted: every length it
// claims is checked against the bytes that are there, a torn or damaged record ends it,
// and only regular files that begin as journals are read (a FIFO or a device in the
// journal folder is skipped, never opened for reading).
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "passes/pass_kind.h"

namespace vq {

// "処理の記録(ジャーナル)として読めないファイルです。"
extern const char16_t kNoJournalText[];

struct PassInfo {
  std::string path;          // the journal
  std::string name;          // its file name without ".journal", what --undo takes
  struct timespec started {};
  PassKind kind = PassKind::Batch;
  std::string folder;        // the folder the pass ran over (bytes)
  std::size_t files = 0;     // files it changed, renamed or created
  bool undone = false;       // undo has run over it
  bool running = false;      // a living pass holds it: it cannot be undone yet
};

enum class RecordKind : std::uint8_t { Tags, Rename, Created, FolderMade, FolderRemoved };

// One change a pass recorded.
struct JournalRecord {
  RecordKind kind = RecordKind::Tags;
  bool withdrawn = false;
  std::string path;    // the file or folder; for a rename the old path
  std::string target;  // a rename's new path
  // Tags: the file before and after the pass.
  struct timespec accessed {}, modified {};
  std::uint64_t oldLength = 0, newLength = 0, oldHeadLength = 0, newHeadLength = 0;
  std::string oldTail;
  std::uint32_t newTailLength = 0;
  std::uint64_t oldSum = 0, newSum = 0;  // checksums of head and tail (Created: of the bytes)
  std::string_view segments;             // into JournalContents::bytes
  std::uint32_t segmentCount = 0;
};

struct JournalContents {
  PassInfo info;
  std::vector<JournalRecord> records;  // by record number
  std::string bytes;                   // the records' segments point into it
};

// Reads a whole journal. Throws Error when it is no journal.
JournalContents ReadJournal(const std::string& journalPath);
// The same from a journal's bytes (`path` names it in the summary).
JournalContents ParseJournal(std::string bytes, const std::string& path = {});
// One journal's summary; throws Error when it is no journal.
PassInfo ReadPassInfo(const std::string& journalPath);
// The journals of `journalFolder`, newest first (by their start, to the nanosecond);
// files that are not journals are left out.
std::vector<PassInfo> ListPasses(const std::string& journalFolder);
// The newest journal of `journalFolder`, nullopt when there is none.
std::optional<PassInfo> LastPass(const std::string& journalFolder);
// Removes the journals of the folder beyond the newest `keep`, never `except`, never a
// file that does not read as a journal, never one a running pass holds.
void PruneJournals(const std::string& journalFolder, std::size_t keep, const std::string& except);

// The old head of a tags record, from its segments and the new head as it is in the file;
// nullopt when the segments do not fit it.
std::optional<std::string> OldHeadFrom(const JournalRecord& record, std::string_view newHead);
// The checksum a tags record keeps of a head and a tail, and a created file's of its bytes.
std::uint64_t JournalChecksum(std::string_view head, std::string_view tail);
std::uint64_t JournalChecksum(std::string_view bytes);

// What the windows and the command line say of a pass:
// "2026-12-07 18:45  自動処理  /music/Artist/  1,000 曲" (local time; the folder as shown).
std::u16string PassText(const PassInfo& pass);

}  // namespace vq
