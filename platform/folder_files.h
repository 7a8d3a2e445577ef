// A folder's other files: the names of the files beside the MP3 files (a cover image),
// and a new file that never takes the place of one that is there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vq {

// Names of the regular files (or links to them) of one folder, hidden ones (starting
// ".") left out, in the directory's own order. Throws Error when the folder cannot be
// read.
std::vector<std::string> ListFileNames(const std::string& folder);

// Writes a new file at `path` whole or not at all: the bytes go into a temporary file
// beside it, are flushed, get the permissions a new file gets (the umask's), and take
// the name only if nothing has it, in one step; then the folder is flushed. Returns
// false, writing nothing, when the name is taken (by a file written meanwhile too).
// Throws Error on other failures; then no temporary file is left.
bool WriteNewFile(const std::string& path, std::string_view bytes);

}  // namespace vq
