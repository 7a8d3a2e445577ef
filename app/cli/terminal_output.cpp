#include "app/cli/terminal_output.h"

#include <signal.h>

#include <csignal>

#include "platform/file_names.h"
#include "platform/text.h"
#include "session/messages.h"

namespace vq {

std::u16string OnOneLine(std::u16string text) {
  for (char16_t& c : text)
    if (c < 0x20 || c == 0x7F) c = u' ';
  return text;
}

void SayFolderUnreadable(const std::string& folder, const Error& e) {
  PrintUtf8(stderr, u"フォルダを開けません。\n" + DecodePath(folder) + u"\n" + e.description() + u"\n");
}

std::optional<std::vector<PassItem>> Mp3FilesBelowOrSay(const std::string& folder) {
  try {
    return ListMp3FilesBelow(folder);
  } catch (const Error& e) {
    SayFolderUnreadable(folder, e);
    return std::nullopt;
  }
}

namespace {
volatile std::sig_atomic_t stopSignal = 0;
void AskToStop(int signal) { stopSignal = signal; }
}  // namespace

void PrintUtf8(std::FILE* to, std::u16string_view text) {
  std::string bytes = Utf16ToUtf8(text);
  for (std::size_t pos; (pos = bytes.find("\r\n")) != std::string::npos;) bytes.erase(pos, 1);
  std::fputs(bytes.c_str(), to);
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = AskToStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int StopSignal() { return stopSignal; }

void TerminalReport::Progress(std::u16string_view text) {
  if (!terminal_) return;
  std::fputs("\r\x1b[K", stderr);
  PrintUtf8(stderr, text);
  std::fflush(stderr);
  shown_ = true;
}

void TerminalReport::Progress(std::size_t done, std::size_t count, std::u16string_view name) {
  if (!terminal_) return;
  std::u16string text = ProgressText(done, count);
  if (!name.empty()) text.append(u"  ").append(name);
  Progress(text);
}

void TerminalReport::Failure(const UserMessage& message) {
  EndLine();
  PrintUtf8(stderr, MessageLine(message) + u"\n");
}

void TerminalReport::Error(const std::u16string& description) {
  EndLine();
  PrintUtf8(stderr, description + u"\n");
}

void TerminalReport::EndLine() {
  if (shown_) std::fputs("\r\x1b[K", stderr);
  shown_ = false;
}

}  // namespace vq
