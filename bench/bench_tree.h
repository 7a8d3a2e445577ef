// The benchmark's files: real MPEG audio frames from a test fixture, a typical ID3v2.3
// tag (text frames and a 50 KB picture), an ID3v1 record, and folder trees of them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "passes/batch_pass.h"

namespace vqbench {

// MPEG-1 Layer III frames of the no-tag fixture (its Xing/Info frame left out),
// repeated up to the last whole frame that fits in `bytes`.
std::string AudioFrames(std::size_t bytes);

// A typical ID3v2.3 tag as tagging programs write it: TIT2, TPE1 and TALB in UTF-16 with
// Japanese text, TRCK, TYER, TCON, a UTF-16 COMM, and, with `picture`, an APIC frame
// holding a 50 KB JPEG-like picture; then 1 KB of padding. With `codePage` the Japanese
// texts are code page 932 bytes with encoding 0, as Velquist writes them by default.
std::string TypicalTag(int track, bool picture, bool codePage = false);

// A 128-byte ID3v1.1 record.
std::string V1Record(int track);

struct TreeFile {
  std::string subfolder;  // bare name of the subfolder
  std::string name;       // bare file name
};

// A folder with subfolders of files: the current folder of a folder-structure listing.
struct Tree {
  std::string folder;  // full path, no trailing "/"
  std::vector<TreeFile> files;

  std::string Path(std::size_t i) const { return folder + "/" + files[i].subfolder + "/" + files[i].name; }
  // The rows as the batch pass takes them.
  vq::BatchList Batch() const;
  // Files [begin, end) of the tree.
  Tree Slice(std::size_t begin, std::size_t end) const;
};

// Creates folder/"Album NN"/"Track NNN.mp3" with `subfolders` x `perSubfolder` files,
// each holding content(index) (index counts from 0 over the whole tree).
Tree MakeTree(const std::string& folder, int subfolders, int perSubfolder,
              const std::function<std::string(int index)>& content);

}  // namespace vqbench
