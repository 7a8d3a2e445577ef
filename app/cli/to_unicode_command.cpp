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
  void Progress(std::size_t done, std::size_t count) override { report.Progress(done, count); }
  void Failed(const ItemFailure& failure) override { report.Failure(failure.message); }

  TerminalReport report;

 private:
  const UnicodeConversion& conversion_;
  bool preview_;
};

}  // namespace

int RunToUnicodeCommand(const ToUnicodeCommandOptions& options) {
  const std::string& folder = options.folder;
  UnicodeSettings settings;
  settings.write = !options.dryRun;
  settings.keepDate = options.keepDate;

  // From here on a signal ends the command with its message, never in the middle of a file.
  CatchStopSignals();
  std::optional<std::vector<PassItem>> listed = Mp3FilesBelowOrSay(folder);
  if (!listed) return 1;
  std::vector<PassItem> files = std::move(*listed);
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
