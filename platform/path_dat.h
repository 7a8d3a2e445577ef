// "Path.dat": the settings file beside the program (code page 932, CR LF).
//
//   1  naming mode: "0" folder structure, "1" file name
//   2  drive: the drive list's text (a mount point)
//   3  folder: full path of the current folder
//   4  keep-date check box in the numeric print form (" 0 " or " 1 ")
//   5  createNewOnly in the same form
//   6  "ID3v2をUnicodeで書く" in the same form (a file of five lines leaves it unchecked;
//      a reader of five lines stops before it and loses nothing it knew)
//   7  the batch window's "曲番号" in the same form
//   8  its "番号を振る" in the same form
//   9  its naming pattern: code page 932 when that holds it and its bytes cannot be read
//      as UTF-8 (or are plain ASCII), else UTF-8; empty for none
//
// Lines 7-9 came later, as line 6 did: a shorter file leaves them off and empty, and
// a reader of six lines stops before them.
//
// Lines 2 and 3 hold paths. A path whose name converts exactly both ways is stored in
// code page 932, as the file has always held it; any other path (a Shift-JIS or
// Latin-1 folder name, "Beyoncé", which code page 932 cannot hold) is stored as its own
// bytes, so that every folder the program can open is restored on the next start.
#pragma once

#include <optional>

#include "platform/text.h"
#include <string>
#include <string_view>
#include <vector>

namespace vq {

inline constexpr char kPathDatName[] = "Path.dat";

// A whole number as the program prints it into a file: a blank (or "-") before the
// digits and a blank after them: " 1 ", " 0 ", "-1 ".
std::u16string NumberPrintForm(long long value);

// What a settings file restores. A line that the file does not have, and an empty
// line 1, 2 or 3, restores nothing.
struct PathDatRestore {
  std::optional<int> mode;           // 0 or 1; absent for an empty line or another number
  std::optional<std::string> drive;  // the line's bytes; see StoredPathCandidates
  std::optional<std::string> folder;
  std::optional<bool> keepDate;      // line 4: number not 0
  std::optional<bool> createNewOnly; // line 5: number not 0
  std::optional<bool> unicode;       // line 6: number not 0
  std::optional<bool> trackNumbers;  // line 7: number not 0
  std::optional<bool> numberInOrder; // line 8: number not 0
  std::optional<std::u16string> pattern;  // line 9; absent when its bytes are neither UTF-8 nor code page 932
};

// Interprets the lines (their bytes) read from the file; at most the first nine are
// looked at.
PathDatRestore InterpretPathDat(const std::vector<std::string>& lines);

// The paths that a stored line 2 or 3 may name, in the order to try them: the line
// read as code page 932 text (when code page 932 defines every byte of it), as a path
// of this system; then the line's own bytes.
std::vector<std::string> StoredPathCandidates(std::string_view line);

// Reads the file; throws Error when it cannot be opened or read.
PathDatRestore ReadPathDat(const std::string& path);

struct PathDatValues {
  int mode = 0;
  std::string drive;   // a path's bytes
  std::string folder;  // a path's bytes
  bool keepDate = false;
  bool createNewOnly = false;
  bool unicode = false;
  bool trackNumbers = false;
  bool numberInOrder = false;
  std::u16string pattern = {};
};

// The bytes of a stored path: code page 932 when the path is UTF-8 text that code page
// 932 holds exactly, else the path's own bytes. A path holding a line end cannot be a
// line: it is stored empty and restores nothing.
std::string StoredPathLine(std::string_view path);

// The file's bytes: every line followed by CR LF.
std::string PathDatBytes(const PathDatValues& values);

// Creates or replaces the file in one step: a crash or a full disk while it is written
// leaves the old file whole. Throws Error when it cannot be written.
void WritePathDat(const std::string& path, const PathDatValues& values);

}  // namespace vq
