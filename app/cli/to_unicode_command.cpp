#include "app/cli/to_unicode_command.h"

#include <unistd.h>

#include <cstdio>
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

// Files' lines on standard output, progress and failures on standard error.
class CommandCallbacks : public UnicodeCallbacks {
 public:
  CommandCallbacks(bool preview, bool terminal) : report(terminal), preview_(preview) {}

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
    report.EndLine();
    PrintUtf8(stdout, text);
    std::fflush(stdout);
  }
  bool Progress(std::size_t done, std::size_t count) override {
    report.Progress(ProgressText(done, count));
    return StopSignal() == 0;
  }
  void ReportUpdateError(const std::u16string& prefix, const std::u16string& name) override {
    report.UpdateError(prefix, name);
  }
  void ReportError(const std::u16string& description) override { report.Error(description); }

  TerminalReport report;

 private:
  bool preview_;
};

}  // namespace

int RunToUnicodeCommand(const ToUnicodeCommandOptions& options) {
  const std::string& folder = options.folder;
  UnicodeSettings settings;
  settings.write = !options.dryRun;
  settings.keepDate = options.keepDate;

  std::vector<UnicodeFile> files;
  try {
    files = ListMp3FilesBelow(folder);
  } catch (const Error& e) {
    PrintUtf8(stderr, u"フォルダを開けません。\n" + DecodePath(folder) + u"\n" + e.description() + u"\n");
    return 1;
  }
  CatchStopSignals();
  CommandCallbacks callbacks(!settings.write, ::isatty(2) == 1);
  settings.journalFolder = JournalFolder();
  settings.folder = folder;
  const UnicodeResult result = RunUnicodeConversion(files, settings, callbacks);
  callbacks.report.EndLine();
  if (result.stopped && StopSignal() != 0) {
    PrintUtf8(stderr, InterruptedPassText(result.done, files.size()) + u"\n");
    return 128 + StopSignal();
  }
  PrintUtf8(stdout, CountsText(result, !settings.write) + u"\n");
  return result.failed ? 1 : 0;
}

}  // namespace vq
