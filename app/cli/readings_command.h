// The sort readings of a folder tree from the command line, without any window or
// display:
//
//   velquist --readings [--dry-run] [--replace] [--accept-suggestions] [--keep-date]
//                       [--unicode] FOLDER
//
// First the collection: every MP3 file under FOLDER at any depth is read and the sort
// readings it carries are counted; then each file's empty sort fields get their readings
// through the readings pass.
#pragma once

#include "app/cli/command_line.h"
#include "passes/reading_sources.h"

namespace vq {

// Runs the command. Standard output: per file written (with --dry-run, per file that
// would be), its folder and name and each field's text and reading; then the counts of
// confirmed, suggested and unread texts, and each text left undecided with its
// suggestion. Standard error: a missing dictionary (which package to install), the
// progress on a terminal, each file refused (its tag cannot be carried over whole) and
// each failure, naming the file, and the count of files written. Exit status: 0 done, 1
// a file failed or was refused (it is left as it was), 128 + the signal when SIGINT,
// SIGTERM or SIGHUP ended the run between two files. Text is printed in UTF-8.
int RunReadingsCommand(const ReadingsCommandOptions& options, const ReadingsSetup& setup = {});

}  // namespace vq
