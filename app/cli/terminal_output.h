// What the command-line passes share: UTF-8 text on standard output and error, the one
// progress line rewritten in place on a terminal, the failures' messages as the windows
// show them, and the signals that end a pass between two files.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "passes/pass_items.h"
#include "platform/fileio.h"
#include "session/messages.h"

namespace vq {

// Prints the text in UTF-8; the messages' CR LF line breaks become LF.
void PrintUtf8(std::FILE* to, std::u16string_view text);

// A name as a line shows it: control characters (a tab, a line end in an old name) as
// spaces, so that each file keeps to one line and its columns.
std::u16string OnOneLine(std::u16string text);

// "フォルダを開けません。", the folder and why, on standard error.
void SayFolderUnreadable(const std::string& folder, const Error& e);
// The MP3 files below a folder in name order; nullopt, said, when it cannot be read.
std::optional<std::vector<PassItem>> Mp3FilesBelowOrSay(const std::string& folder);

// From now on SIGINT, SIGTERM and SIGHUP only ask the pass to stop: it looks at
// StopSignal() between files, so a file is never left half-written.
void CatchStopSignals();
// The signal that asked the pass to stop, 0 for none.
int StopSignal();

// Standard error of a pass: the progress line (on a terminal only) and the failures.
class TerminalReport {
 public:
  explicit TerminalReport(bool terminal) : terminal_(terminal) {}
  // Rewrites the progress line on a terminal; elsewhere nothing.
  void Progress(std::u16string_view text);
  // "1,204 / 3,000" and the file's name, made only where a terminal shows it.
  void Progress(std::size_t done, std::size_t count, std::u16string_view name = {});
  // A failure's message: "更新エラー: ファイルの属性が…" with the folder and the name, one
  // per line, or the description with them.
  void Failure(const UserMessage& message);
  void Error(const std::u16string& description);
  // Ends the progress line, before other text.
  void EndLine();

 private:
  bool terminal_;
  bool shown_ = false;
};

}  // namespace vq
