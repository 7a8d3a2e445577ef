// The automatic pass: for every listed file, artist, album and title from the folder
// tree go into its ID3v1 and ID3v2 tags. A planner on the pass engine: the batch window,
// the command line, the tests and the benchmarks run it alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "formats/id3v2_writer.h"
#include "passes/album_covers.h"
#include "passes/batch_values.h"
#include "passes/cover_art.h"
#include "passes/pass_engine.h"
#include "passes/tag_values.h"
#include "session/listing.h"

namespace vq {

struct BatchSettings {
  bool v1 = true;              // "v1": write the ID3v1 tag
  bool v2 = true;              // "v2": write the ID3v2 tag
  bool createNewOnly = false;  // "新規作成のみ行う": leave existing tags alone
  bool keepDate = false;       // "ファイルの更新で日付を変更しない"
  bool unicode = false;        // "ID3v2をUnicodeで書く"
  bool dryRun = false;         // decide everything, write nothing (no byte, no date)
  // "曲番号", "番号を振る" and the naming pattern; all off: artist, album and title from
  // the folder tree, as ever.
  BatchNaming naming;
  // "表紙を埋め込む": each album folder's cover image goes into its files' ID3v2 tags as
  // they are tagged (album_covers.h; a front cover a file has stays), checked by the codec.
  bool embedCover = false;
  const PictureCodec* coverCodec = nullptr;
  // Where the pass's undo journal goes (JournalFolder()); empty: no journal.
  std::string journalFolder;
};

// What the pass writes (or, in a dry run, would write) into one file.
struct PlannedFile {
  TagValues values;          // the row's values (a field without one is not written)
  bool v1 = false;           // the ID3v1 record is written
  bool v2 = false;           // the ID3v2 tag is written
  std::u16string unmatched;  // why the pattern left the file alone; empty when it matched
  std::optional<CoverChange> cover;  // with embedCover: what became of its front cover
};

// The rows of a folder-structure listing: the current folder's bytes ("/" at the root)
// and one record per file.
struct BatchList {
  std::string folder;
  std::vector<ListedFile> rows;
};

// The pass over a listing. The values come from the rows' shown texts (ListingValues,
// decided once for the whole listing), the paths from their bytes. The first failing
// file ends the pass; its failure names it ("更新エラー" with the row's folder prefix, or
// the description with the folder and name); files before it keep their new tags, the
// failing file and the files after it stay as they were. A file that may not be written
// fails even when it would keep its tags. A file the naming pattern does not match is
// not opened: it is skipped with the reason (so PassResult::skipped counts them) and the
// pass goes on.
class BatchPass final : public Planner {
 public:
  BatchPass(std::string folder, std::vector<ListedFile> rows, BatchSettings settings);

  PassResult Run(PassObserver& observer);

  const std::vector<PassItem>& items() const { return items_; }
  // What file `item` gets, once it is planned.
  const PlannedFile& PlanOf(std::size_t item) const { return plans_[item]; }
  // With embedCover: the album folders (each looked at once a file of it is planned) and
  // the album of each item.
  const std::vector<AlbumCover>& coverAlbums() const;
  std::size_t CoverAlbumOf(std::size_t item) const { return coverAlbum_[item]; }

  Access AccessFor(std::size_t item) const override;
  ItemChange Plan(std::size_t item, const FileAtHand* file) override;

 private:
  // The steps of one file's change, each adding to `change` and `plan`.
  void PlanV2(const FileAtHand& at, const TagValues& values, const OutFrame* cover, ItemChange& change,
              PlannedFile& plan) const;
  // "表紙を埋め込む": the cover of the item's album folder; nullptr without one.
  const OutFrame* AlbumCoverOf(std::size_t item);
  void PlanV1(const FileAtHand& at, const TagValues& values, ItemChange& change, PlannedFile& plan) const;

  std::string folder_;
  std::u16string shownFolder_;
  std::vector<ListedFile> rows_;
  BatchSettings settings_;
  std::vector<PassItem> items_;
  std::vector<RowValues> values_;  // each row's values, or why it gets none
  std::vector<PlannedFile> plans_;
  std::optional<AlbumCovers> covers_;
  std::vector<std::size_t> coverAlbum_;
};

inline PassResult RunBatch(const std::string& folder, const std::vector<ListedFile>& rows,
                           const BatchSettings& settings, PassObserver& observer) {
  return BatchPass(folder, rows, settings).Run(observer);
}
inline PassResult RunBatch(const BatchList& list, const BatchSettings& settings, PassObserver& observer) {
  return RunBatch(list.folder, list.rows, settings, observer);
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
