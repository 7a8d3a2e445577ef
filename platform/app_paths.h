// Where the program finds the files it ships with. In the build they lie beside the
// executable; installed (prefix/bin/velquist), they lie in prefix/share/velquist.
#pragma once

#include <string>

namespace vq {

inline constexpr char kReferenceTextName[] = "id3 tag.txt";

// The reference text "id3 tag.txt" for a program in programFolder (a path in bytes, no
// trailing "/" needed): programFolder/id3 tag.txt when that is a file, else
// programFolder/../share/velquist/id3 tag.txt when that is one, else the first, so that
// a missing file is looked for where the program keeps its other files.
std::string ReferenceTextPath(const std::string& programFolder);

}  // namespace vq
