// File and folder names are the file system's bytes. Many collections were copied from
// Windows with their names still in Shift-JIS, others hold Latin-1 bytes: a path is
// kept as its bytes from the listing to every open, write, rename and date change, and
// decoded only to be shown or to derive tag text from it. Shown text is never turned
// back into a path.
#pragma once

#include <string>
#include <string_view>

namespace vq {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Whether code page 932 defines every byte and pair of the bytes (a lead byte at the
// end is undefined).
bool Cp932DefinesAll(std::string_view bytes);

// The text of one name: valid UTF-8 as UTF-8; otherwise, when code page 932 defines
// every byte, as code page 932; otherwise UTF-8 with U+FFFD for each bad byte.
std::u16string DecodeName(std::string_view name);

// The text of a path: each "/"-separated component decoded on its own.
std::u16string DecodePath(std::string_view path);

// An absolute, clean folder path: a relative one is taken from the working folder; no
// "." or ".." parts, no doubled "/", no trailing "/" except "/" itself.
std::string CleanFolderPath(std::string_view path);

// The working folder's path, "/" when it cannot be found.
std::string WorkingFolder();

// The folder that holds the running program (no trailing "/" except "/" itself).
std::string ProgramFolder();

// A name inside a folder: "/" between them unless the folder ends in one ("" is taken
// as the root).
std::string JoinPath(std::string_view folder, std::string_view name);

// The text of a path before its last "/" ("" for "/x" and "/").
std::string ParentPath(std::string_view path);

// The part of a path after its last "/" ("" for "/").
std::string LastComponent(std::string_view path);

}  // namespace vq
