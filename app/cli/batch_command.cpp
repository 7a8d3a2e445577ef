#include "app/cli/batch_command.h"

#include <unistd.h>


#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "passes/journal.h"
#include "app/cli/terminal_output.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/listing.h"
#include "session/messages.h"

namespace vq {

namespace {

constexpr char kUsage[] =
    "使い方: velquist --batch [オプション] フォルダ\n"
    "フォルダとその直下のサブフォルダにあるMP3ファイルに、フォルダ名(作者名)、\n"
    "サブフォルダ名(アルバム名)、ファイル名(曲名)をID3v1とID3v2のタグとして書き込みます。\n"
    "\n"
    "  --file-names   ファイル名モード: フォルダ直下のファイルだけを処理します\n"
    "  --no-v1        ID3v1タグを書きません\n"
    "  --no-v2        ID3v2タグを書きません\n"
    "  --new-only     新規作成のみ行う: すでにあるタグはそのままにします\n"
    "  --keep-date    ファイルの更新で日付を変更しない\n"
    "  --unicode      ID3v2をUnicodeで書く\n"
    "  --dry-run      何も書き込まずに、各ファイルに書き込む内容を表示します\n"
    "\n"
    "処理を元に戻す:\n"
    "  velquist --undo [ジャーナル]   最後の処理(または指定した処理)で書き換えた\n"
    "                                 ファイルのタグと日付を元に戻します\n"
    "  velquist --list-passes         元に戻せる処理を一覧表示します\n"
    "処理の記録(ジャーナル)は $XDG_STATE_HOME/velquist/ (既定は ~/.local/state/velquist/)\n"
    "に、最近の10回分が保存されます。\n"
    "\n"
    "  --help         この説明を表示します\n"
    "  --version      バージョンを表示します\n";

struct Options {
  BatchSettings settings;
  bool fileNames = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> folders;
  std::string bad;  // the first argument that is no option of the command
};

Options Parse(int argc, char** argv) {
  Options o;
  bool onlyFolders = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (onlyFolders || a.empty() || a[0] != '-') {
      o.folders.push_back(a);
    } else if (a == "--") {
      onlyFolders = true;
    } else if (a == "--batch") {
    } else if (a == "--file-names") {
      o.fileNames = true;
    } else if (a == "--no-v1") {
      o.settings.v1 = false;
    } else if (a == "--no-v2") {
      o.settings.v2 = false;
    } else if (a == "--new-only") {
      o.settings.createNewOnly = true;
    } else if (a == "--keep-date") {
      o.settings.keepDate = true;
    } else if (a == "--unicode") {
      o.settings.unicode = true;
    } else if (a == "--dry-run") {
      o.settings.dryRun = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (o.bad.empty()) {
      o.bad = a;
    }
  }
  return o;
}

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "velquist: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// The pass reports on standard error: progress in place on a terminal, the failure's
// message as the batch window shows it. A dry run's plan goes to standard output, one
// line per file.
class TerminalCallbacks : public PassObserver {
 public:
  TerminalCallbacks(const BatchPass& pass, bool dryRun, bool terminal) : pass_(pass), dryRun_(dryRun), report(terminal) {}

  bool StopRequested() override { return StopSignal() != 0; }

  void Finished(std::size_t item, ItemOutcome outcome) override {
    last_ = item;
    if (!dryRun_ || outcome == ItemOutcome::Failed) return;
    report.EndLine();
    const PassItem& file = pass_.items()[item];
    const PlannedFile& plan = pass_.PlanOf(item);
    std::u16string line = file.shownFolder + file.shownName + u"\t曲名: " + plan.title + u"\t作者: " + plan.artist +
                          u"\tアルバム: " + plan.album + u"\t";
    if (plan.v1) line += u"v1";
    if (plan.v1 && plan.v2) line += u" ";
    if (plan.v2) line += u"v2";
    if (!plan.v1 && !plan.v2) line += u"書き込みなし";
    PrintUtf8(stdout, line + u"\n");
    if (plan.v1 || plan.v2) ++writes;
  }

  void Progress(std::size_t done, std::size_t count) override {
    report.Progress(ProgressText(done, count) + u"  " + pass_.items()[last_].shownName);
  }
  void Failed(const ItemFailure& failure) override { report.Failure(failure.message); }

  std::size_t writes = 0;  // files a dry run would write

 private:
  const BatchPass& pass_;
  bool dryRun_;
  std::size_t last_ = 0;

 public:
  TerminalReport report;
};

}  // namespace

bool IsBatchCommand(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--batch") == 0 || std::strcmp(argv[i], "--help") == 0) return true;
  return false;
}

int RunBatchCommand(int argc, char** argv, const char* version) {
  const Options o = Parse(argc, argv);
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (o.version) {
    std::printf("velquist %s\n", version);
    return 0;
  }
  if (!o.bad.empty()) return Usage("不明なオプションです: " + o.bad);
  if (o.folders.size() != 1) return Usage(o.folders.empty() ? "フォルダを指定してください。" : "フォルダは一つだけ指定してください。");
  const std::string folder = CleanFolderPath(o.folders[0]);
  if (!IsFolder(folder)) return Usage("フォルダがありません: " + o.folders[0]);

  // From here on a signal ends the command with its message, never in the middle of a file.
  CatchStopSignals();
  std::vector<ListedFile> rows;
  try {
    rows = o.fileNames ? ListOwnFiles(folder) : ListFilesWithSubfolders(folder);
  } catch (const Error& e) {
    PrintUtf8(stderr, u"フォルダを開けません。\n" + DecodePath(folder) + u"\n" + e.description() + u"\n");
    return 1;
  }
  BatchSettings settings = o.settings;
  settings.journalFolder = JournalFolder();
  BatchPass pass(folder, std::move(rows), settings);
  TerminalCallbacks callbacks(pass, settings.dryRun, ::isatty(2) == 1);
  const PassResult result = pass.Run(callbacks);
  const std::size_t count = pass.items().size();
  callbacks.report.EndLine();
  if (result.stopped && StopSignal() != 0) {
    PrintUtf8(stderr, StoppedPassText(PassKind::Batch, result.done, count) + u"\n");
    return 128 + StopSignal();
  }
  if (o.settings.dryRun) {
    std::fflush(stdout);
    PrintUtf8(stderr, u"試行: " + ProgressText(callbacks.writes, count) +
                      u" 曲に書き込みます。ファイルは変更していません。\n");
  } else {
    PrintUtf8(stderr, ProgressText(result.done, count) + u" 曲を処理しました。\n");
  }
  return result.failed() ? 1 : 0;
}

}  // namespace vq
