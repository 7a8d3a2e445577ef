// Renaming files from their tags from the command line, without any window or display:
//
//   velquist --rename [--dry-run] PATTERN FOLDER
//
// names every MP3 file below FOLDER, at any depth, by PATTERN ("%artist%/%album%/%track%
// %title%") through the same plan and pass as the rename window.
#pragma once

#include "app/cli/command_line.h"

namespace vq {

// Runs the command. Standard output: one line per file renamed (with --dry-run: that
// would be), "old path TAB new path", per file left as it is "path TAB そのまま: why", per
// emptied folder removed "folder/ TAB 空のフォルダを削除"; a dry run prints exactly the
// lines the pass then prints. Standard error: the progress on a terminal, each failure's
// message naming its file (the pass goes on), then the counts. Exit status: 0 done
// (files whose tags lack a field of the pattern are left as they are and counted), 1 a
// file could not be renamed or the folder could not be read, 2 the pattern refused (no
// field, an unknown field, "..", an absolute path, every file to one name) before
// anything is renamed, 128 + the signal when SIGINT, SIGTERM or SIGHUP ended the pass
// between two files. Text is printed in UTF-8.
int RunRenameCommand(const RenameCommandOptions& options);

}  // namespace vq
