// The batch from the command line, without any window or display:
//
//   velquist --batch [options] FOLDER
//
// lists FOLDER as the main window would (folder-structure mode unless --file-names),
// then tags every listed file as the batch window does, through the same RunBatch.
#pragma once

#include "app/cli/command_line.h"
#include "formats/picture_codec.h"

namespace vq {

// Runs the command. Progress goes to standard error (a line updated in place when it
// is a terminal, nothing per file otherwise), then one line with the count. With
// --dry-run nothing is written: standard output gets one line per file (its path, then
// title, artist and album and the other values the options give, then the tags the pass
// would write, tab-separated). A file --pattern does not match is left alone: its line
// ("そのまま: " and why) goes to standard output in a real pass too, and the count of
// such files ("パターンに合わない曲: m 曲") to standard error at the end. SIGINT,
// SIGTERM and SIGHUP end the pass after the file at hand ("自動処理を中断しました。" and
// the count). Exit status: 0 every file done, 1 a file failed (its message is printed,
// the file is left as it was), 128 + the signal's number when a signal ended the pass
// (130, 143, 129). (A bad option or a folder that does not exist never gets here: the
// parser refuses it with status 2.) Text is printed in UTF-8.
// With --embed-cover each album folder's cover image goes into its files too, checked by
// `codec`: the dry run's line says "表紙" among the tags; a folder without a cover image
// or whose image cannot be used is said once on standard error, and an image that
// cannot be used makes the status 1.
int RunBatchCommand(const BatchCommandOptions& options, const PictureCodec* codec = nullptr);

}  // namespace vq
