// The readings pass: sort readings into the files' sort frames (TSOT, TSOP, TSOA,
// TSO2; passes/sort_frame_plan.h), as a planner on the pass engine. Which reading a text
// gets is the caller's: the command line's decision over the whole tree
// (passes/reading_sources.h), or the rows the user checked in the readings window. No
// other field is touched; every other frame goes over whole. A file whose tag cannot be
// carried over whole (a frame with no v2.3 form, an extended header, bytes after the
// frames that are not padding) is left as it is and named.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "formats/id3v2_writer.h"
#include "passes/pass_engine.h"
#include "passes/sort_frame_plan.h"

namespace vq {

struct ReadingsSettings {
  bool replace = false;  // a sort reading that differs from the new one is replaced too
  TextChoice textChoice = TextChoice::CodePage;  // UTF-16 with "ID3v2をUnicodeで書く"
  bool keepDate = false;                         // a written file keeps its modification date
  bool dryRun = false;
  // Where the undo journal goes (JournalFolder()), empty for none; `folder` is the
  // folder the pass runs over, as the journal names it.
  std::string journalFolder;
  std::string folder;
};

// What one file gets, once it is planned.
struct ReadingsFilePlan {
  std::vector<SortFrameChange> changes;  // what is (or, refused, would have been) written
  bool refused = false;                  // left alone: its tag cannot be carried over whole
};

class ReadingsPass final : public Planner {
 public:
  // `readingFor` is asked for each field that would take a reading.
  ReadingsPass(std::vector<PassItem> files, ReadingFor readingFor, ReadingsSettings settings);

  // A file that cannot be read is reported and the pass goes on; a failing write ends it.
  PassResult Run(PassObserver& observer);

  const std::vector<PassItem>& items() const { return files_; }
  const ReadingsFilePlan& PlanOf(std::size_t item) const { return plans_[item]; }

  ItemChange Plan(std::size_t item, const FileAtHand* file) override;

 private:
  std::vector<PassItem> files_;
  ReadingFor readingFor_;
  ReadingsSettings settings_;
  std::vector<ReadingsFilePlan> plans_;
};

// The field as the lines name it: "曲名", "作者名", "アルバム名", "アルバム作者名", "作曲者名".
std::u16string SortedFieldName(SortedField field);

// What a file gets, as lines ending in "\n": its folder and name, then per field
// "  曲名  故郷 → フルサト" (with the reading it replaces: "  (元: コキョウ)"). Control
// characters show as spaces. Empty for a file that gets nothing.
std::u16string FileReadingsText(const PassItem& file, const ReadingsFilePlan& plan);

}  // namespace vq
