// The covers of the album folders a pass goes through: each folder's image found, read,
// checked and prepared once (cover_art.h), however many of its files take it, and what
// became of each folder, for the pass's front ends to list. The cover pass and the batch
// embed through it alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/id3v2_writer.h"
#include "formats/picture_codec.h"
#include "passes/cover_art.h"

namespace vq {

// One album folder: the folder that holds the MP3 files. A disc folder ("CD1", "Disc 2")
// without an image of its own takes the image of the album folder above it.
struct AlbumCover {
  enum class State : std::uint8_t {
    NotLooked,   // none of its files was planned
    Ready,       // its image goes into its files
    NoImage,     // the folder has no cover image (ChooseFolderCoverImage)
    BadImage,    // its image cannot be used (`image` says why); it never goes in
    Unreadable,  // the folder or its image could not be read (`problem` says why)
  };
  std::string folder;          // its bytes, without a trailing "/"
  std::u16string shownFolder;  // as messages show it, ending in "/"
  State state = State::NotLooked;
  std::string imageName;       // the image file's name (bytes); empty without one
  std::string imageFolder;     // the folder that holds it: `folder`, or for a disc folder
                               // ("CD1") without an image of its own, the album folder above
  PictureCheck image;          // Ready: what goes in (format, pixels); BadImage: what is wrong
  bool scaled = false;         // made smaller than its file (a JPEG of quality 90)
  ImageFormat fileFormat = ImageFormat::Unknown;  // Ready: the image file's own format and pixels
  int fileWidth = 0, fileHeight = 0;
  std::uint64_t fileBytes = 0;        // the image file's size
  std::uint64_t embeddedBytes = 0;    // Ready: the picture's size as it goes in
  std::u16string problem;      // Unreadable: the failure's description
};

class AlbumCovers {
 public:
  // maxSide > 0: a larger image is scaled to fit maxSide x maxSide.
  AlbumCovers(const PictureCodec& codec, int maxSide);
  ~AlbumCovers();
  AlbumCovers(const AlbumCovers&) = delete;
  AlbumCovers& operator=(const AlbumCovers&) = delete;

  // The album folder of a file (the folder that holds it), looked at the first time
  // one of its files asks: an index into albums().
  std::size_t AlbumOf(const std::string& filePath);
  const std::vector<AlbumCover>& albums() const { return albums_; }
  // The frame that embeds album `album`'s cover (APIC, type 3); nullptr unless Ready.
  // Only the last album asked for is held: a folder met again is prepared again.
  // Meanwhile the next albums' images are read, and decoded in turn on a thread of
  // their own: scaling a few hundred kilobytes of JPEG takes about as long as writing
  // an album's files, so the two go side by side, and the decoding runs on while the
  // pass waits for its disk. The codec must allow that (Qt's image I/O does).
  const OutFrame* Cover(std::size_t album);

 private:
  class Preparer;
  // An album's image as read, its decoding under way.
  struct Pending {
    AlbumCover album;                          // final unless its image is being prepared
    std::shared_ptr<const std::string> bytes;  // the image file's bytes
    std::future<CoverPreparation> prepared;
  };
  Pending Start(std::size_t index, bool ahead);
  void Finish(std::size_t index, Pending& pending);
  void ReadAhead(std::size_t from);

  const PictureCodec& codec_;
  int maxSide_;
  std::vector<AlbumCover> albums_;
  std::map<std::string, std::size_t> byFolder_;
  std::optional<std::size_t> held_;
  OutFrame heldFrame_;
  std::map<std::size_t, Pending> ahead_;  // albums read ahead, their decoding queued
  std::unique_ptr<Preparer> preparer_;   // declared last: it ends first, before the bytes go
};

// What a pass's front end says of an album folder, naming it (and its image):
//   Ready:      "表紙: /…/アルバム/cover.jpg（JPEG、1,500 × 1,500 ピクセル、456,789 バイト
//               → 600 × 600 ピクセル、98,765 バイト）" (the arrow part only when scaled)
//   NoImage:    "表紙の画像がありません: /…/アルバム/"
//   BadImage:   "表紙の画像を使えません: /…/アルバム/cover.jpg" CR LF the problem
//   Unreadable: "表紙の画像を読み取れません: /…/アルバム/…" CR LF the description
std::u16string AlbumCoverText(const AlbumCover& album);

// Why a file of the album gets no cover (a skipped file's reason): "表紙の画像がない
// フォルダです。", "表紙の画像を使えません（画像が途中で切れています。）", ...
std::u16string NoCoverReason(const AlbumCover& album);

// The folders whose files got no cover, for a window's one message after the pass:
// "表紙を埋め込めなかったフォルダがあります。" and AlbumCoverText of each (the first ten,
// then "ほか n フォルダ"), CR LF between; empty when every folder met had its cover.
std::u16string AlbumsWithoutCoverText(const std::vector<AlbumCover>& albums);

// The folders a pass met by what became of them.
struct AlbumCounts {
  std::size_t ready = 0, noImage = 0, unusable = 0;  // unusable: BadImage or Unreadable
};
AlbumCounts CountAlbums(const std::vector<AlbumCover>& albums);

}  // namespace vq
