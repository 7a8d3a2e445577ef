#include "app/cli/readings_command.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/terminal_output.h"
#include "passes/journal.h"
#include "passes/pass_items.h"
#include "passes/readings_pass.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/messages.h"

namespace vq {
namespace {

std::u16string Shown(std::u16string text) {
  for (char16_t& c : text)
    if (c < 0x20 || c == 0x7F) c = u' ';
  return text;
}

// Each file's readings on standard output once it is written (in a dry run, once it is
// planned); progress, refusals and failures on standard error.
class CommandCallbacks : public PassObserver {
 public:
  CommandCallbacks(const ReadingsPass& pass, bool terminal) : report(terminal), pass_(pass) {}

  bool StopRequested() override { return StopSignal() != 0; }
  void Finished(std::size_t item, ItemOutcome outcome) override {
    if (outcome != ItemOutcome::Changed) return;
    report.EndLine();
    PrintUtf8(stdout, FileReadingsText(pass_.items()[item], pass_.PlanOf(item)));
    std::fflush(stdout);
  }
  void Skipped(std::size_t item, const std::u16string& why) override {
    const PassItem& file = pass_.items()[item];
    report.EndLine();
    PrintUtf8(stderr, u"読みを書き込みませんでした: " + Shown(file.shownFolder + file.shownName) + u"\n  " + why + u"\n");
    ++refused;
  }
  void Progress(std::size_t done, std::size_t count) override { report.Progress(done, count); }
  void Failed(const ItemFailure& failure) override { report.Failure(failure.message); }

  TerminalReport report;
  std::size_t refused = 0;

 private:
  const ReadingsPass& pass_;
};

// The texts whose readings were not written: each suggestion with its alternatives, each
// text no source reads.
std::u16string UndecidedText(const DecidedReadings& decided) {
  std::u16string out;
  for (const ReadingProposal* p : decided.undecided()) {
    if (p->reading.empty()) {
      out += u"読みなし: " + Shown(p->text) + u"\n";
      continue;
    }
    out += u"候補: " + Shown(p->text) + u" → " + Shown(p->reading);
    std::u16string others;
    for (const std::u16string& a : p->alternatives)
      if (a != p->reading) others += (others.empty() ? u"" : u"、") + Shown(a);
    if (!others.empty()) out += u"  (ほかに: " + others + u")";
    out += u"\n";
  }
  return out;
}

}  // namespace

int RunReadingsCommand(const ReadingsCommandOptions& options, const ReadingsSetup& setup) {
  const std::string& folder = options.folder;
  // From here on a signal ends the command with its message, never in the middle of a file.
  CatchStopSignals();
  std::optional<std::vector<PassItem>> listed = Mp3FilesBelowOrSay(folder);
  if (!listed) return 1;
  std::vector<PassItem> files = std::move(*listed);
  ReadingSources sources(setup);
  for (const std::u16string& notice : sources.notices()) PrintUtf8(stderr, notice + u"\n");

  // The collection first: the readings the tree's files carry, whichever file comes
  // first. A file that cannot be read adds nothing here; the pass reports it.
  TerminalReport collecting(::isatty(2) == 1);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (StopSignal() != 0) {
      collecting.EndLine();
      PrintUtf8(stderr, StoppedPassText(PassKind::Readings, 0, files.size()) + u"\n");
      return 128 + StopSignal();
    }
    try {
      sources.AddToCollection(ReadFrameTable(files[i].path));
    } catch (const Error&) {
    }
    collecting.Progress(u"読みを集めています " + ProgressText(i + 1, files.size()));
  }
  collecting.EndLine();

  DecidedReadings decided(sources, options.acceptSuggestions);
  ReadingsSettings settings;
  settings.replace = options.replace;
  settings.textChoice = options.unicode ? TextChoice::Unicode : TextChoice::CodePage;
  settings.keepDate = options.keepDate;
  settings.dryRun = options.dryRun;
  settings.journalFolder = JournalFolder();
  settings.folder = folder;
  const std::size_t count = files.size();
  ReadingsPass pass(
      std::move(files), [&decided](SortedField field, std::u16string_view text) { return decided(field, text); },
      settings);
  CommandCallbacks callbacks(pass, ::isatty(2) == 1);
  const PassResult result = pass.Run(callbacks);
  callbacks.report.EndLine();
  if (result.stopped && StopSignal() != 0) {
    PrintUtf8(stderr, StoppedPassText(PassKind::Readings, result.done, count) + u"\n");
    return 128 + StopSignal();
  }
  PrintUtf8(stdout, CountsText(decided.counts()) + u"\n" + UndecidedText(decided));
  std::fflush(stdout);
  if (options.dryRun)
    PrintUtf8(stderr, u"試行: " + ProgressText(result.changed, count) +
                          u" 曲に読みを書き込みます。ファイルは変更していません。\n");
  else
    PrintUtf8(stderr, ProgressText(result.changed, count) + u" 曲に読みを書き込みました。\n");
  return result.failed() || callbacks.refused > 0 ? 1 : 0;
}

}  // namespace vq
