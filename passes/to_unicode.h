// Bringing a collection's ID3v2 tags to Unicode (formats/unicode_tag.h says what changes
// in a tag), as a planner on the pass engine: the command line, the conversion window and
// the tests run it alike. A file whose undecided texts the file's own texts do not decide
// is decided by its folder's texts. A file that cannot be read is reported and the
// conversion goes on; a file that cannot be written ends it.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "formats/unicode_tag.h"
#include "passes/pass_engine.h"
#include "passes/pass_items.h"

namespace vq {

struct UnicodeSettings {
  bool write = true;      // false: the preview only (nothing is opened for writing)
  bool keepDate = false;  // a changed file keeps the modification date it has when it is written
  // Where the undo journal goes (JournalFolder()), empty for none; `folder` is the
  // folder the conversion runs over, as the journal names it.
  std::string journalFolder;
  std::string folder;
};

struct UnicodeResult : PassResult {
  std::size_t converted = 0;  // files whose tag was (or would be) written
  std::size_t unchanged = 0;  // files left as they were
  std::size_t undecided = 0;  // files with a text left undecided (counted above too)
};

class UnicodeConversion final : public Planner {
 public:
  UnicodeConversion(std::vector<PassItem> files, UnicodeSettings settings);

  // Runs the conversion; the observer hears of each file once it is written (in the
  // preview, once it is planned).
  UnicodeResult Run(PassObserver& observer);

  const std::vector<PassItem>& items() const { return files_; }
  // What file `item` gets, once it is planned.
  const UnicodeFilePlan& PlanOf(std::size_t item) const { return plans_[item]; }

  ItemChange Plan(std::size_t item, const FileAtHand* file) override;

 private:
  const ReadingTally& FolderTally(std::size_t item);

  std::vector<PassItem> files_;
  UnicodeSettings settings_;
  std::vector<UnicodeFilePlan> plans_;
  std::map<std::string, ReadingTally> folderTallies_;
};

inline UnicodeResult RunUnicodeConversion(const std::vector<PassItem>& files, const UnicodeSettings& settings,
                                          PassObserver& observer) {
  return UnicodeConversion(files, settings).Run(observer);
}

// The preview of one file as lines ending in "\n": its path, then per text that changes
// "  TIT2  today → becomes  (how it was read)", per undecided text
// "  TIT2  判定できません: today (コードページ932では becomes)". Control characters of the
// texts show as spaces. Empty for a file with nothing to show.
std::u16string PreviewText(const PassItem& file, const UnicodeFilePlan& plan);

// The counts' line: "変換 1 曲、変更なし 2 曲、判定できない文字列のある曲 0 曲" (with
// `preview`, "変換する曲" for the first).
std::u16string CountsText(const UnicodeResult& result, bool preview);

}  // namespace vq
