// The conversion of a folder tree's tags to Unicode from the command line, without any
// window or display:
//
//   velquist --to-unicode [--dry-run] [--keep-date] FOLDER
//
// converts every MP3 file under FOLDER at any depth through RunUnicodeConversion.
#pragma once

#include "app/cli/command_line.h"

namespace vq {

// Runs the command. Standard output: with --dry-run the preview (per file, each text
// that changes with what players show today and what it becomes, and the undecided
// texts), else one line per converted file and per file with undecided texts; then the
// counts. Standard error: the progress on a terminal and a failure's message. Exit
// status as the batch's: 0 done, 1 a file failed (it is left as it was), 128 + the
// signal when SIGINT, SIGTERM or SIGHUP ended the run between two files. (The parser
// refuses a bad option or a folder that does not exist with status 2.) Text is printed
// in UTF-8.
int RunToUnicodeCommand(const ToUnicodeCommandOptions& options);

}  // namespace vq
