// Covers for a whole album folder: which image file of the folder is its cover, the
// cover prepared once for every file of the folder (scaled when asked), the frames of a
// file's new tag with that cover, and which of the files' own covers is taken out into
// the folder. Planners only: what runs them over a tree (locks, journal, dry run) is the
// pass engine's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "formats/picture_codec.h"

namespace vq {

// The cover image among a folder's file names (bytes): "cover", "folder", "front",
// "albumart", "jacket" in that order, each with ".jpg", ".jpeg" or ".png" (in that
// order), names and extensions in any letter case; else the only file with one of those
// extensions; nullopt when there is none or more than one other image. Hidden names
// (starting ".") are never taken.
std::optional<std::string> ChooseFolderCoverImage(const std::vector<std::string>& names);
// The same for the files of a folder on disk: the image's name. Throws Error when the
// folder cannot be read.
std::optional<std::string> FindFolderCoverImage(const std::string& folder);

// An image file's bytes; a file of more than kMaxPictureFileBytes is not read and gives
// TooLarge (width 0). Throws Error when the file cannot be opened or read.
struct ImageFile {
  std::string bytes;
  PictureCheck problem;  // None, or TooLarge
};
ImageFile ReadImageFile(const std::string& path);

// An album's cover as it goes into each of its files.
struct PreparedCover {
  OutFrame frame;          // APIC, type 3, empty ISO-8859-1 description, sniffed MIME type
  PictureCheck image;      // what was embedded: its format and pixel size
  bool scaled = false;     // made smaller than the file (then a JPEG of quality 90)
  std::size_t fileBytes = 0;  // the size of the image file it came from
  int fileWidth = 0, fileHeight = 0;  // the image file's own pixels
};
struct CoverPreparation {
  std::optional<PreparedCover> cover;
  PictureCheck problem;    // when there is no cover: why (PictureProblemText)
};
// The cover from an image file's bytes, checked once for a whole folder: a JPEG or PNG
// that decodes (as CheckCoverImage checks it, decoding it once). With maxSide > 0 a
// picture wider or taller than that is scaled to fit maxSide x maxSide and stored as a
// JPEG; otherwise, and for a picture that fits, the file's bytes go in unchanged. Reads
// nothing but its arguments: it may run on another thread.
CoverPreparation PrepareCover(std::string_view imageFile, const PictureCodec& codec, int maxSide = 0);

// What becomes of one file's front cover.
enum class CoverChange {
  Added,         // the file had no picture of type 3; the cover comes after its frames
  Replaced,      // its pictures of type 3 gave way to the cover (at the first one's place)
  KeptExisting,  // it has a picture of type 3 and `replace` was not asked for: no write
};
struct CoverFrames {
  CoverChange change = CoverChange::KeptExisting;
  std::vector<OutFrame> frames;  // the new tag's frames (empty for KeptExisting)
};
// The frames of a file's new tag with `cover` as its front cover: every frame of
// `existing` carried over whole (CarryOverFrame: v2.2 ids converted, a frame without a
// v2.3 form left out), other pictures too, and the cover added or in place of the
// pictures of type 3.
CoverFrames FramesWithFrontCover(V2FrameTable existing, const OutFrame& cover, bool replace);
// The same on frames already made for a new tag (another pass's, as the batch's): the
// cover added after them or in place of their pictures of type 3; KeptExisting leaves
// the frames as they are.
CoverChange PutFrontCover(std::vector<OutFrame>& frames, const OutFrame& cover, bool replace);

// The cover to take out of a folder's files: among their front covers (ReadFrontCover;
// an empty view for a file without one), those that are a whole JPEG or PNG, the one most
// files hold, byte for byte; of equally common ones the first. nullopt when none is.
std::optional<std::size_t> ChooseCoverToExtract(const std::vector<std::string_view>& covers);
// "cover.jpg" or "cover.png" by the image's bytes; "" for neither.
std::string ExtractedCoverName(std::string_view image);

}  // namespace vq
