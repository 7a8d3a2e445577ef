#include "batch/to_unicode_command.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "batch/to_unicode.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/messages.h"

namespace vq {

namespace {

constexpr char kUsage[] =
    "使い方: velquist --to-unicode [オプション] フォルダ\n"
    "フォルダとその下のすべてのフォルダにあるMP3ファイルのID3v2タグで、\n"
    "1バイト文字(エンコード0)で書かれた文字列をUnicode(UTF-16)にします。\n"
    "文字列ごとに、コードページ932(Shift-JIS)かISO-8859-1かをバイト列から判定します。\n"
    "\n"
    "  --dry-run      変換の内容を表示するだけで、ファイルは変更しません\n"
    "  --keep-date    ファイルの更新で日付を変更しない\n"
    "  --help         この説明を表示します\n";

void Print(std::FILE* to, std::u16string_view text) {
  std::string bytes = Utf16ToUtf8(text);
  // Messages break their lines with CR LF, as the message boxes show them.
  for (std::size_t pos; (pos = bytes.find("\r\n")) != std::string::npos;) bytes.erase(pos, 1);
  std::fputs(bytes.c_str(), to);
}

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "velquist: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// The signal that asked the run to stop (SIGINT, SIGTERM, SIGHUP), 0 for none. The run
// looks at it between files, so a file is never left half-written.
volatile std::sig_atomic_t stopSignal = 0;

void AskToStop(int signal) { stopSignal = signal; }

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = AskToStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

// Files' lines on standard output, progress and failures on standard error.
class CommandCallbacks : public UnicodeCallbacks {
 public:
  CommandCallbacks(bool preview, bool terminal) : preview_(preview), terminal_(terminal) {}

  void FilePlanned(const UnicodeFile& file, const UnicodeFilePlan& plan) override {
    std::u16string text;
    if (preview_) {
      text = PreviewText(file, plan);
    } else {
      const std::u16string name = file.shownFolder + file.shownName;
      if (plan.rewrite) text += u"変換しました: " + name + u"\n";
      if (!plan.undecided.empty()) text += u"判定できない文字列があります: " + name + u"\n";
      if (plan.unreadableTag) text += u"読み取れない形式のタグなので、そのままにしました: " + name + u"\n";
      for (char16_t& c : text)
        if ((c < 0x20 && c != u'\n') || c == 0x7F) c = u' ';
    }
    if (text.empty()) return;
    EndLine();
    Print(stdout, text);
    std::fflush(stdout);
  }
  bool Progress(std::size_t done, std::size_t count) override {
    if (terminal_) {
      std::fputs("\r\x1b[K", stderr);
      Print(stderr, ProgressText(done, count));
      std::fflush(stderr);
      shown_ = true;
    }
    return stopSignal == 0;
  }
  void ReportUpdateError(const std::u16string& prefix, const std::u16string& name) override {
    EndLine();
    Print(stderr, std::u16string(kUpdateErrorCaption) + u": " + UpdateErrorText(prefix, name) + u"\n");
  }
  void ReportError(const std::u16string& description) override {
    EndLine();
    Print(stderr, description + u"\n");
  }
  void EndLine() {
    if (shown_) std::fputs("\r\x1b[K", stderr);
    shown_ = false;
  }

 private:
  bool preview_;
  bool terminal_;
  bool shown_ = false;
};

}  // namespace

bool IsToUnicodeCommand(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--to-unicode") == 0) return true;
  return false;
}

int RunToUnicodeCommand(int argc, char** argv) {
  UnicodeSettings settings;
  std::vector<std::string> folders;
  bool onlyFolders = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (onlyFolders || a.empty() || a[0] != '-') {
      folders.push_back(a);
    } else if (a == "--") {
      onlyFolders = true;
    } else if (a == "--to-unicode") {
    } else if (a == "--dry-run") {
      settings.write = false;
    } else if (a == "--keep-date") {
      settings.keepDate = true;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      return Usage("不明なオプションです: " + a);
    }
  }
  if (folders.size() != 1) return Usage(folders.empty() ? "フォルダを指定してください。" : "フォルダは一つだけ指定してください。");
  const std::string folder = CleanFolderPath(folders[0]);
  if (!IsFolder(folder)) return Usage("フォルダがありません: " + folders[0]);

  std::vector<UnicodeFile> files;
  try {
    files = ListMp3FilesBelow(folder);
  } catch (const Error& e) {
    Print(stderr, u"フォルダを開けません。\n" + DecodePath(folder) + u"\n" + e.description() + u"\n");
    return 1;
  }
  CatchStopSignals();
  CommandCallbacks callbacks(!settings.write, ::isatty(2) == 1);
  const UnicodeResult result = RunUnicodeConversion(files, settings, callbacks);
  callbacks.EndLine();
  if (result.stopped && stopSignal != 0) {
    Print(stderr, InterruptedPassText(result.done, files.size()) + u"\n");
    return 128 + stopSignal;
  }
  Print(stdout, CountsText(result, !settings.write) + u"\n");
  return result.failed ? 1 : 0;
}

}  // namespace vq
