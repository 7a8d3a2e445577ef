// Renaming from tags against a plain loop of rename() over the same files.
#pragma once

#include <string>

#include "bench_tree.h"

namespace vqbench {

struct RenameCosts {
  double planMs = 0;   // the tags of every file read and the plan made (once)
  double passMs = 0;   // the pass on the engine: journal, its flushes, folders made and removed, flushed
  double plainMs = 0;  // mkdir of the new folders, rename() of every file, rmdir of the emptied ones
};

// Names the tree's files by "%artist%/%album%/%track% %title%" `rounds` times each way,
// the order alternating, the files put back between runs; the medians. The pass's
// journals go to `journals`.
RenameCosts TimeRenames(const Tree& tree, const std::string& journals, int rounds);

}  // namespace vqbench
