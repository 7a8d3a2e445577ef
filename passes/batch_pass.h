// The automatic pass: for every listed file, artist, album and title from the folder
// tree go into its ID3v1 and ID3v2 tags. No window: the batch window, the tests and the
// benchmarks all drive it through BatchCallbacks.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "formats/id3v2_writer.h"
#include "session/session.h"

namespace vq {

struct BatchSettings {
  bool v1 = true;              // "v1": write the ID3v1 tag
  bool v2 = true;              // "v2": write the ID3v2 tag
  bool createNewOnly = false;  // "新規作成のみ行う": leave existing tags alone
  bool keepDate = false;       // "ファイルの更新で日付を変更しない"
  bool unicode = false;        // "ID3v2をUnicodeで書く"
  bool dryRun = false;         // decide everything, write nothing (no byte, no date)
  // Where the pass's undo journal goes (JournalFolder()); empty: no journal.
  std::string journalFolder;
};

// What the pass writes (or, in a dry run, would write) into one file.
struct PlannedFile {
  std::size_t row = 0;
  std::u16string title, artist, album;  // the derived names
  bool v1 = false;                      // the ID3v1 record is written
  bool v2 = false;                      // the ID3v2 tag is written
};

// The rows of a folder-structure listing: the current folder's bytes ("/" at the root)
// and one record per file.
struct BatchList {
  std::string folder;
  std::vector<ListedFile> rows;
};

class BatchCallbacks : public WriteReporter {
 public:
  // After each file: `done` of `count` finished. Return false to end the pass here
  // (the window was closed); the file just done is complete.
  virtual bool Progress(std::size_t done, std::size_t count) = 0;
  // Before each file: true ends the pass before it (a signal asked the program to stop);
  // the files already written are completed first.
  virtual bool StopRequested() { return false; }
  // In a dry run, for each file in list order: what the pass would write.
  virtual void Planned(const PlannedFile&) {}
};

struct BatchResult {
  std::size_t done = 0;     // files completed
  bool failed = false;      // a file failed and the pass stopped there (reported)
  bool stopped = false;     // the callbacks ended the pass
  std::string journal;      // the pass's undo journal; empty when it changed no file
};

// Runs the pass over every row. The names come from the rows' shown texts, the paths
// from their bytes. The first failing file stops the pass; its failure is reported
// through the callbacks ("更新エラー" with the row's folder prefix, or the description).
// Files before it keep their new tags; the failing file and the files after it are
// left as they were. `state`, when given, holds the last processed file's tag size and
// frame table (v2TagSize, v2Frames).
BatchResult RunBatch(const std::string& folder, const std::vector<ListedFile>& rows, const BatchSettings& settings,
                     BatchCallbacks& callbacks, Session* state = nullptr);
inline BatchResult RunBatch(const BatchList& list, const BatchSettings& settings, BatchCallbacks& callbacks,
                            Session* state = nullptr) {
  return RunBatch(list.folder, list.rows, settings, callbacks, state);
}

// The names of a listed row: DeriveNames on the shown texts of the folder (DecodePath
// of the current folder), of the row's subfolder and of its file name.
struct DerivedNames;
DerivedNames DeriveRowNames(std::u16string_view shownFolder, const ListedFile& row);

// The frames one file's new tag gets: the `existing` frames of its tag with TPE1, TALB
// and TIT2 taking the derived values once each, v2.2 ids converted, every other frame
// carried over whole; then the unused non-empty derived values in the order TPE1, TALB,
// TIT2.
std::vector<OutFrame> BatchFrames(V2FrameTable existing, const DerivedNames& names,
                                  TextChoice choice = TextChoice::CodePage);

}  // namespace vq
