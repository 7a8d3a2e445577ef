// The cover pass: every album folder's cover image into each of its MP3 files as the
// front cover (APIC, type 3), as a planner on the pass engine. A folder's image is found,
// read and prepared once (album_covers.h); a file that has a front cover keeps it unless
// the pass replaces covers. A folder without a usable image leaves its files alone and
// does not stop the pass; a file that cannot be read is reported and the pass goes on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "passes/album_covers.h"
#include "passes/cover_art.h"
#include "passes/pass_engine.h"

namespace vq {

struct CoverPassSettings {
  bool replace = false;  // a front cover a file has gives way to the folder's
  int maxSide = 0;       // > 0: a larger image is scaled to fit maxSide x maxSide
  bool dryRun = false;
  std::string journalFolder;  // empty: no journal
  std::string folder;         // the folder the pass runs over, as its journal names it
};

// What a file gets: its album, and what becomes of its front cover (none when it was
// not planned or its album has no cover).
struct CoverFilePlan {
  std::size_t album = 0;
  std::optional<CoverChange> change;
};

class CoverPass final : public Planner {
 public:
  CoverPass(std::vector<PassItem> files, CoverPassSettings settings, const PictureCodec& codec);

  PassResult Run(PassObserver& observer);

  const std::vector<PassItem>& items() const { return files_; }
  const CoverFilePlan& PlanOf(std::size_t item) const { return plans_[item]; }
  // The album folders, in the order their files come (each looked at once it is planned).
  const std::vector<AlbumCover>& albums() const { return covers_.albums(); }

  ItemChange Plan(std::size_t item, const FileAtHand* file) override;

 private:
  std::vector<PassItem> files_;
  CoverPassSettings settings_;
  AlbumCovers covers_;
  std::vector<CoverFilePlan> plans_;
};

}  // namespace vq
