// The cover passes from the command line, without any window or display:
//
//   velquist --cover [--replace] [--max-size PX] [--dry-run] FOLDER
//   velquist --extract-covers [--dry-run] FOLDER
//
// over every MP3 file under FOLDER at any depth (ListMp3FilesBelow). The codec that
// decodes and scales the images is given by the program (Qt's image I/O, which needs no
// display); this part of the program knows only its interface.
#pragma once

#include "app/cli/command_line.h"
#include "formats/picture_codec.h"

namespace vq {

// Standard output, the same lines with --dry-run as without (each once the file is
// written): per album folder its cover ("表紙: …/cover.jpg（JPEG、…）") or
// "表紙の画像がありません: …/", then per file "path<TAB>表紙を追加" ("表紙を置き換え",
// "表紙があるのでそのまま"). Standard error: the progress on a terminal, an image that
// cannot be used (named, with why), a file's failure, then the counts. Exit status: 0
// done, 1 a file failed or an image could not be used, 128 + the signal when SIGINT,
// SIGTERM or SIGHUP ended the pass between two files.
int RunCoverCommand(const CoverCommandOptions& options, const PictureCodec& codec);

// Standard output, the same with --dry-run as without: per album folder the file
// written ("…/cover.jpg ← 01 朝.mp3（JPEG、…）"), or why none is. Standard error: files
// whose cover cannot be taken out (named, with why), failures, the counts. Exit status
// as above.
int RunExtractCoversCommand(const ExtractCoversCommandOptions& options, const PictureCodec& codec);

}  // namespace vq
