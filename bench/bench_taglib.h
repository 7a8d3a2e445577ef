// The reference library doing the benchmark's work: TagLib, as a C++ developer would
// use it for the same selection read and the same batch write.
#pragma once

#include <cstddef>
#include <string>

#include "passes/derive_names.h"

namespace vqbench {

// What the main window reads for a selection, done through TagLib: the MPEG file opened
// with its audio properties (Fast), every ID3v2 frame's text, the ID3v1 fields and the
// play time. Returns the number of characters read, so the work cannot be left out.
std::size_t TagLibSelectionRead(const std::string& path);

// The batch's work for one file through TagLib: artist, album and title into the ID3v2
// tag (written as v2.3) and the ID3v1 tag, then save; with `flush`, the file is then
// flushed to disk. Returns false when TagLib could not open or save the file.
bool TagLibBatchFile(const std::string& path, const vq::DerivedNames& names, bool flush);

// "TagLib 1.13.0"
std::string TagLibVersion();

}  // namespace vqbench
