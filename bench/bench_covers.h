// The cover passes as a user runs them, on a tree of 1,000 files in 100 album folders
// each with a 300-600 KB cover.jpg: "velquist --cover --max-size 600" against "cp -r" of
// the same tree and "sync", with what it must show checked on the way: every file's
// cover read back by TagLib, the audio byte for byte, "--extract-covers" on the tree
// with its covers only inside the files, and "--undo" restoring every byte.
#pragma once

#include <string>

namespace vqbench {

struct CoverFigures {
  double coverMs = 0;     // "velquist --cover --max-size 600 FOLDER", whole process, median
  double copySyncMs = 0;  // "cp -r" of the same tree, then "sync", median
  double batchMs = 0;     // "velquist --batch" on the same tree (names only, no cover), median
  double extractMs = 0;   // "velquist --extract-covers FOLDER" on the covered tree, once
  double undoMs = 0;      // "velquist --undo" of the cover pass, once
};

// Builds its trees under `root` from 1 MB of `audio` per file; `rounds` timed runs of
// each. Fails the benchmark when anything is not as it must be.
CoverFigures RunCoverBench(const std::string& root, const std::string& audio, int rounds);

}  // namespace vqbench
