// Renames that never lose a file: a new name that is taken already is never replaced,
// a name that differs only in letter case works on file systems that ignore case, and
// folders are made as a rename needs them and removed only when they are empty.
//
// Every step goes through FaultInjection's check points (Rename, Link, Remove, Open,
// MakeFolder, RemoveFolder), and after a failure at any of them the file is reachable
// under exactly one name: its old one, or (only where the description says so) the
// intermediate name of a case-only rename.
#pragma once

#include <string>
#include <vector>

namespace vq {

// Gives the file (or link, or folder) `from` the path `to`, in one step where the file
// system allows it: renameat2 with RENAME_NOREPLACE. Where the file system does not
// know that flag (EINVAL: FUSE file systems, older network file systems), a regular
// file gets its new name as a hard link and loses the old one; where there are no hard
// links either (FAT through FUSE), the new name is first claimed by an empty file
// created exclusively, which the rename then replaces. In every way an existing entry
// at `to` (a file, a folder, a symbolic link, dangling or not) is never replaced nor
// followed: Error(NameTaken).
//
// When `to` differs from `from` only in letter case and the file system takes both for
// the same name (vfat, exFAT: found by looking `to` up and reading the folder, not from
// the mount type), the file is renamed through an intermediate name in the same folder
// (".vq-rename-" and six letters, the extension kept).
//
// The same path is no rename. Throws Error; the folder of `to` must exist.
void RenameNoReplace(const std::string& from, const std::string& to);

// Whether `from` and `to` name the same entry in the folder, though spelt differently:
// the file system ignores the letter case of these names. False on file systems that
// tell them apart, and when either cannot be looked up.
bool SameEntryIgnoringCase(const std::string& from, const std::string& to);

// Makes the folder and every missing folder above it. Returns the folders it made,
// outermost first (what undo removes again, innermost first, once they are empty). A
// failure removes the folders made so far and throws Error: NameTaken when a part of
// the path is a file.
std::vector<std::string> MakeFolders(const std::string& folder);

// Removes the folder when it is empty (one rmdir, never anything inside it). Returns
// false when it holds anything or is gone already; throws Error for other failures.
bool RemoveEmptyFolder(const std::string& folder);

}  // namespace vq
