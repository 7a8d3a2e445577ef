// Patterns that name a file from its tags: "%artist%/%album%/%track% %title%". A "/"
// makes a folder below the folder the files are renamed in; %track% has two digits
// ("%track:3%" three), the other fields are the values as the tags hold them
// (passes/tag_fields.h); "%%" is a "%". The file's extension is not part of the
// pattern: a name keeps ".mp3" as the file had it (a ".mp3" typed at the end is left
// out).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "passes/tag_fields.h"

namespace vq {

struct RenamePiece {
  std::u16string text;                // the pattern's own text, when field is nullopt
  std::optional<TagField> field;
  int width = 0;                      // digits of a number field (%track% 2, %disc% 1)
};

struct RenamePattern {
  std::vector<std::vector<RenamePiece>> components;  // the folders, then the file name
};

// The pattern, or why it cannot be used: a message for the user, in Japanese. Refused:
// an empty pattern, one without any field (every file would get the same name), an
// unknown field, a "%" that is not closed, an absolute path, "." or ".." as a folder, an
// empty folder name ("//", a "/" at the end), a width on a field that is no number.
struct ParsedRenamePattern {
  std::optional<RenamePattern> pattern;
  std::u16string error;
};
ParsedRenamePattern ParseRenamePattern(std::u16string_view text);

// A file's new name below the folder by the pattern: its components made portable
// (passes/portable_names.h), the extension on the last one; or the first field the
// file's tags do not hold, or a component with nothing left in it.
struct BuiltName {
  std::vector<std::u16string> components;
  std::optional<TagField> missing;
  bool empty = false;
  bool ok() const { return !missing && !empty; }
};
BuiltName BuildName(const RenamePattern& pattern, const TagFields& fields, std::u16string_view extension);

// "%title%" for messages.
std::u16string FieldToken(TagField field);

}  // namespace vq
