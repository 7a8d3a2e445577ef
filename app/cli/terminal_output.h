// What the command-line passes share: UTF-8 text on standard output and error, the one
// progress line rewritten in place on a terminal, the failures' messages as the windows
// show them, and the signals that end a pass between two files.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "session/messages.h"

namespace vq {

// Prints the text in UTF-8; the messages' CR LF line breaks become LF.
void PrintUtf8(std::FILE* to, std::u16string_view text);

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
