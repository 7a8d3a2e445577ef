#include "app/cli/to_unicode_command.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "passes/journal.h"
#include "app/cli/terminal_output.h"
#include "passes/to_unicode.h"
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

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "velquist: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// Files' lines on standard output once each file is written (in the preview, once it
// is planned); progress and failures on standard error.
class CommandCallbacks : public PassObserver {
 public:
  CommandCallbacks(const UnicodeConversion& conversion, bool preview, bool terminal)
      : report(terminal), conversion_(conversion), preview_(preview) {}

  bool StopRequested() override { return StopSignal() != 0; }
  void Finished(std::size_t item, ItemOutcome outcome) override {
    if (outcome == ItemOutcome::Failed) return;
    const PassItem& file = conversion_.items()[item];
    const UnicodeFilePlan& plan = conversion_.PlanOf(item);
    std::u16string text;
    if (preview_) {
      text = PreviewText(file, plan);
    } else {
      const std::u16string name = file.shownFolder + file.shownName;
      if (outcome == ItemOutcome::Changed) text += u"変換しました: " + name + u"\n";
      if (!plan.undecided.empty()) text += u"判定できない文字列があります: " + name + u"\n";
      if (plan.unreadableTag) text += u"読み取れない形式のタグなので、そのままにしました: " + name + u"\n";
      for (char16_t& c : text)
        if ((c < 0x20 && c != u'\n') || c == 0x7F) c = u' ';
    }
    if (text.empty()) return;
    report.EndLine();
    PrintUtf8(stdout, text);
    std::fflush(stdout);
  }
  void Progress(std::size_t done, std::size_t count) override { report.Progress(ProgressText(done, count)); }
  void Failed(const ItemFailure& failure) override { report.Failure(failure.message); }

  TerminalReport report;

 private:
  const UnicodeConversion& conversion_;
  bool preview_;
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

  // From here on a signal ends the command with its message, never in the middle of a file.
  CatchStopSignals();
  std::vector<PassItem> files;
  try {
    files = ListMp3FilesBelow(folder);
  } catch (const Error& e) {
    PrintUtf8(stderr, u"フォルダを開けません。\n" + DecodePath(folder) + u"\n" + e.description() + u"\n");
    return 1;
  }
  settings.journalFolder = JournalFolder();
  settings.folder = folder;
  UnicodeConversion conversion(std::move(files), settings);
  CommandCallbacks callbacks(conversion, !settings.write, ::isatty(2) == 1);
  const UnicodeResult result = conversion.Run(callbacks);
  callbacks.report.EndLine();
  if (result.stopped && StopSignal() != 0) {
    PrintUtf8(stderr, StoppedPassText(PassKind::Unicode, result.done, conversion.items().size()) + u"\n");
    return 128 + StopSignal();
  }
  PrintUtf8(stdout, CountsText(result, !settings.write) + u"\n");
  return result.failed() ? 1 : 0;
}

}  // namespace vq
