// Line-wise text files in code page 932 with CR LF line ends: "Path.dat" and the
// reference text "id3 tag.txt".
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

// Splits bytes into lines at CR LF, a lone CR or a lone LF. A line end at the very end
// of the bytes does not start another (empty) line; "" gives no lines.
std::vector<std::string_view> SplitLines(std::string_view bytes);

// The whole file's bytes. Throws Error when it cannot be opened or read.
std::string ReadFileBytes(const std::string& path);

// Reads at most maxLines lines of a code page 932 text file, each decoded on its own
// (a line end never joins a double-byte character). Throws Error when the file cannot
// be opened or read.
std::vector<std::u16string> ReadTextLines(const std::string& path,
                                          std::size_t maxLines = std::numeric_limits<std::size_t>::max());

// The lines in code page 932 ("?" for what it cannot hold), each followed by CR LF.
std::string EncodeTextLines(const std::vector<std::u16string>& lines);

// Creates or replaces the file with EncodeTextLines(lines), in one step
// (WriteFileAtomically). Throws Error.
void WriteTextLines(const std::string& path, const std::vector<std::u16string>& lines);

}  // namespace vq
