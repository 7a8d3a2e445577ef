// The batch from the command line, without any window or display:
//
//   velquist --batch [options] FOLDER
//
// lists FOLDER as the main window would (folder-structure mode unless --file-names),
// then tags every listed file as the batch window does, through the same RunBatch.
#pragma once

namespace vq {

// Whether the arguments ask for the command-line batch (or its help): then the program
// runs RunBatchCommand instead of opening its windows.
bool IsBatchCommand(int argc, char** argv);

// Runs the command. Progress goes to standard error (a line updated in place when it
// is a terminal, nothing per file otherwise), then one line with the count. With
// --dry-run nothing is written: standard output gets one line per file (its path, then
// title, artist and album, then the tags the pass would write, tab-separated). SIGINT,
// SIGTERM and SIGHUP end the pass after the file at hand ("自動処理を中断しました。" and
// the count). Exit status: 0 every file done, 1 a file failed (its message is printed,
// the file is left as it was), 2 a bad option or a folder that does not exist (the usage
// is printed), 128 + the signal's number when a signal ended the pass (130, 143, 129).
// Text is printed in UTF-8.
int RunBatchCommand(int argc, char** argv, const char* version);

}  // namespace vq
