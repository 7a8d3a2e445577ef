// Taking covers out: each album folder without a cover image gets "cover.jpg" or
// "cover.png" from its files' front covers (the one most of them hold), as a planner on
// the pass engine. Its items are the folders: each is planned by reading its files, read
// only, and becomes a new file, which never takes the place of one that is there (the
// engine's Create; undo removes it while it holds the bytes written).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "formats/picture_codec.h"
#include "passes/pass_engine.h"

namespace vq {

struct CoverExtractionSettings {
  bool dryRun = false;
  std::string journalFolder;  // empty: no journal
  std::string folder;         // the folder the pass runs over, as its journal names it
};

// What becomes of one album folder.
struct FolderExtraction {
  enum class Outcome : std::uint8_t {
    NotPlanned,
    Written,   // `name` is written (in a dry run: would be)
    HasImage,  // the folder has a cover image already (`name`): nothing is written
    NameTaken, // something else has the name `name` (a folder, a link): nothing is written
    NoCover,   // none of its files holds a whole JPEG or PNG front cover
  };
  Outcome outcome = Outcome::NotPlanned;
  std::string name;            // the cover file's name (bytes)
  std::size_t files = 0;       // the folder's MP3 files
  std::size_t holding = 0;     // Written: how many of them hold that picture
  std::size_t source = 0;      // Written: the first file that holds it (an index into files())
  PictureCheck image;          // Written: its format and pixels
  std::uint64_t bytes = 0;     // Written: its size
  // Files whose front cover cannot be taken out (cut short, not JPEG or PNG, does not
  // decode) or that could not be read: the file (an index into files()) and why.
  std::vector<std::pair<std::size_t, std::u16string>> unusable;
};

class CoverExtraction final : public Planner {
 public:
  // `files`: the MP3 files of the tree (ListMp3FilesBelow), each folder's together.
  CoverExtraction(std::vector<PassItem> files, CoverExtractionSettings settings, const PictureCodec& codec);

  PassResult Run(PassObserver& observer);

  // The pass's items: one per folder that holds MP3 files, in the files' order.
  const std::vector<PassItem>& items() const { return folders_; }
  const std::vector<PassItem>& files() const { return files_; }
  const FolderExtraction& PlanOf(std::size_t item) const { return plans_[item]; }

  Access AccessFor(std::size_t) const override { return Access::None; }
  ItemChange Plan(std::size_t item, const FileAtHand* file) override;

 private:
  std::vector<PassItem> files_;
  CoverExtractionSettings settings_;
  const PictureCodec& codec_;
  std::vector<PassItem> folders_;
  std::vector<std::pair<std::size_t, std::size_t>> ranges_;  // each folder's files [first, last)
  std::vector<FolderExtraction> plans_;
};

// What the front ends say of a folder (the folder as `item` shows it, the cover file,
// the source file):
//   Written:   "/…/アルバム/cover.jpg ← 01 朝.mp3（JPEG、600 × 600 ピクセル、45,123 バイト、10 曲中 10 曲の表紙）"
//   HasImage:  "表紙の画像がすでにあります: /…/アルバム/folder.jpg"
//   NameTaken: "同じ名前のものがあるので書き出しません: /…/アルバム/cover.jpg"
//   NoCover:   "曲に表紙がありません: /…/アルバム/"
std::u16string FolderExtractionText(const CoverExtraction& pass, std::size_t item);

}  // namespace vq
