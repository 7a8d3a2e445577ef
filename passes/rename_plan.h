// What renaming files from their tags does to a listing, decided before anything is
// renamed: each file's new path below the folder (or why it stays as it is), the other
// files that move with an album, and the folders the renames leave empty. Plain values
// that the pass engine runs (in this order) and the rename window previews.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "passes/rename_pattern.h"
#include "passes/tag_fields.h"
#include "session/listing.h"

namespace vq {

// A listed file's tag values, or why they could not be read (the error's description).
struct FileFields {
  std::optional<TagFields> fields;
  std::u16string error;
};
// Reads every row's tags (folder: the folder the rows are listed under).
std::vector<FileFields> ReadListingFields(const std::string& folder, const std::vector<ListedFile>& rows);

struct PlannedRename {
  enum class Kind {
    Rename,         // a listed file gets newPath
    Companion,      // another file of an album's folder moves with its MP3 files
    Unchanged,      // the name is the new name already: nothing to do
    MissingField,   // left as it is: the pattern needs a field the tags do not hold
    EmptyName,      // left as it is: no character of a name is left
    Unreadable,     // left as it is: its tags could not be read (why)
    FolderBlocked,  // left as it is: a file has the name of a folder to be made
  };
  Kind kind = Kind::Unchanged;
  std::string oldPath;            // bytes
  std::string newPath;            // bytes; Rename and Companion only
  std::optional<TagField> missing;  // MissingField
  std::u16string why;             // for a file left as it is, in Japanese
  bool Moves() const { return kind == Kind::Rename || kind == Kind::Companion; }
};

struct RenamePlan {
  // The listing's files in list order; the companions of a folder right after the last
  // of its files. The renames run in this order.
  std::vector<PlannedRename> items;
  std::size_t renamed = 0, companions = 0, unchanged = 0, missingTags = 0, otherSkipped = 0;
  // Folders that are empty once the renames are done (hidden files count as contents),
  // innermost first; never the folder itself.
  std::vector<std::string> emptiedFolders;
  // Not empty when the pattern gives every file one and the same name: then items is
  // empty and nothing may be renamed.
  std::u16string refusal;
};

// The plan of renaming the rows (files below `folder`) by the pattern, `fields` in the
// rows' order. New names lie below `folder`. Two files that would get the same name
// (letter case aside: FAT, exFAT and Windows do not tell them apart), or a name another
// file has already, get " (2)", " (3)" in list order; a name that a file of the listing
// has until its own rename earlier in the list counts as free. A new folder takes the
// spelling of a folder that is there already (or planned before) under another case.
// The files of a folder whose MP3 files all move to one other folder (and are all in
// the listing) move with them: regular files only, not hidden ones, under their own
// names. The file system is read (folders' entries), never changed.
RenamePlan PlanRenames(const std::string& folder, const std::vector<ListedFile>& rows,
                       const std::vector<FileFields>& fields, const RenamePattern& pattern);

// "名前を変える曲: 3 曲、そのままの曲: 1 曲、タグが足りない曲: 2 曲" and, when there are
// any, "、読めない曲: 1 曲" and "、一緒に移すファイル: 1 個".
std::u16string PlanCountsText(const RenamePlan& plan);

// A path below the folder as it is shown: "Artist/Album/01 曲.mp3".
std::u16string ShownBelow(const std::string& folder, const std::string& path);

}  // namespace vq
