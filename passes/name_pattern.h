// Naming patterns: "%artist%/%album%/%track% %title%", "%artist% - %title%",
// "%year% %album%/%track%. %title%". A pattern is matched against the names as shown
// (decoded from the file system's bytes), never against bytes.
//
// - Fields: %artist% %album% %title% %track% %disc% %year% %genre% %comment% and %skip%
//   (matched, not written); names in any case. Every field but %skip% at most once.
// - "/" steps up one folder: the part after the last "/" is matched with the file's title
//   (its name without ".mp3"), the part before it with the file's folder, the one before
//   that with the folder above, and so on, through the pass's folder and above it when
//   the pattern names more folders than lie below it. A trailing ".mp3" in the pattern is
//   ignored.
// - %track% and %disc% match a whole run of 1-3 digits, %year% one of 4 (ASCII or
//   full-width); the number is what is written ("01" gives track 1).
// - Every other field matches at least one character, and as few as let the rest of
//   its part match: "%artist% - %title%" on "A - B - C" gives artist "A" and title
//   "B - C" (a title holds " - " more often than an artist's name does). Texts lose
//   spaces (and full-width spaces) at both ends.
// - Text between fields matches with ASCII letters in any case and full-width letters,
//   digits, signs and spaces as their half-width forms: " - " matches "　－　".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "passes/tag_values.h"

namespace vq {

// One piece of a pattern's part: a field, or text that must be there.
struct PatternPiece {
  std::optional<TagField> field;  // nullopt with skip == false: literal text
  bool skip = false;              // %skip%
  std::u16string text;            // the literal, or the field as written ("%title%")
};

struct NamePattern {
  std::u16string text;                            // as given
  std::vector<std::vector<PatternPiece>> parts;   // folders from the outermost, then the file
  bool Names(TagField f) const;                   // whether a field of the pattern writes f
};

// A pattern, or why it cannot be used (one Japanese sentence naming the problem).
struct ParsedPattern {
  std::optional<NamePattern> pattern;
  std::u16string error;
};
ParsedPattern ParseNamePattern(std::u16string_view text);

// What a pattern takes from one file: the fields' texts (numbers as plain decimal), or
// why the names do not match (a Japanese sentence naming the name that does not).
struct PatternMatch {
  bool matches = false;
  TagValues values;
  std::u16string reason;
};
// shownFolder: the pass folder as shown ("/" separated); subfolderName: the row's
// subfolder as shown ("" for the folder's own files; may hold "/" for deeper ones);
// fileTitle: the file name without ".mp3".
PatternMatch MatchNamePattern(const NamePattern& pattern, std::u16string_view shownFolder,
                              std::u16string_view subfolderName, std::u16string_view fileTitle);

}  // namespace vq
