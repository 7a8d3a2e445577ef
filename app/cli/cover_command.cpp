#include "app/cli/cover_command.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/terminal_output.h"
#include "passes/cover_extraction.h"
#include "passes/cover_pass.h"
#include "passes/journal.h"
#include "passes/pass_items.h"
#include "platform/file_names.h"
#include "platform/text.h"
#include "session/messages.h"

namespace vq {

namespace {

std::u16string Count(std::size_t n) { return FormatThousands(static_cast<std::int64_t>(n)); }

// Each file's line once it is written; each album folder's line before its first file's.
class CoverLines : public PassObserver {
 public:
  CoverLines(const CoverPass& pass, bool terminal) : report(terminal), pass_(pass), said_(pass.albums().size()) {}

  bool StopRequested() override { return StopSignal() != 0; }
  void Finished(std::size_t item, ItemOutcome outcome) override {
    last_ = item;
    if (outcome == ItemOutcome::Failed) return;
    const CoverFilePlan& plan = pass_.PlanOf(item);
    report.EndLine();
    SayAlbum(plan.album);
    if (!plan.change) return;  // its album's line says why
    const PassItem& file = pass_.items()[item];
    const std::u16string what = *plan.change == CoverChange::Added      ? u"表紙を追加"
                                : *plan.change == CoverChange::Replaced ? u"表紙を置き換え"
                                                                        : u"表紙があるのでそのまま";
    ++(*plan.change == CoverChange::KeptExisting ? kept : embedded);
    PrintUtf8(stdout, file.shownFolder + file.shownName + u"\t" + what + u"\n");
    std::fflush(stdout);
  }
  void Progress(std::size_t done, std::size_t count) override {
    report.Progress(done, count, pass_.items()[last_].shownName);
  }
  void Failed(const ItemFailure& failure) override { report.Failure(failure.message); }

  TerminalReport report;
  std::size_t embedded = 0, kept = 0;

 private:
  void SayAlbum(std::size_t album) {
    if (said_[album]) return;
    said_[album] = true;
    const AlbumCover& a = pass_.albums()[album];
    const bool usable = a.state == AlbumCover::State::Ready || a.state == AlbumCover::State::NoImage;
    PrintUtf8(usable ? stdout : stderr, AlbumCoverText(a) + u"\n");
  }

  const CoverPass& pass_;
  std::vector<bool> said_;
  std::size_t last_ = 0;
};

// Each folder's line once its file is written; the files whose cover cannot be taken
// out on standard error.
class ExtractionLines : public PassObserver {
 public:
  ExtractionLines(const CoverExtraction& pass, bool terminal) : report(terminal), pass_(pass) {}

  bool StopRequested() override { return StopSignal() != 0; }
  void Finished(std::size_t item, ItemOutcome outcome) override {
    last_ = item;
    if (outcome == ItemOutcome::Failed) return;
    report.EndLine();
    const FolderExtraction& plan = pass_.PlanOf(item);
    for (const auto& [file, why] : plan.unusable) {
      const PassItem& f = pass_.files()[file];
      PrintUtf8(stderr, u"表紙を取り出せません: " + f.shownFolder + f.shownName + u"\n" + why + u"\n");
      ++unusable;
    }
    PrintUtf8(stdout, FolderExtractionText(pass_, item) + u"\n");
    std::fflush(stdout);
  }
  void Progress(std::size_t done, std::size_t count) override {
    report.Progress(done, count, pass_.items()[last_].shownName);
  }
  void Failed(const ItemFailure& failure) override { report.Failure(failure.message); }

  TerminalReport report;
  std::size_t unusable = 0;

 private:
  const CoverExtraction& pass_;
  std::size_t last_ = 0;
};

// A pass a signal ended: its message, and the signal's status.
int Stopped(PassKind kind, std::size_t done, std::size_t count) {
  PrintUtf8(stderr, StoppedPassText(kind, done, count) + u"\n");
  return 128 + StopSignal();
}

}  // namespace

int RunCoverCommand(const CoverCommandOptions& options, const PictureCodec& codec) {
  // From here on a signal ends the command with its message, never in the middle of a file.
  CatchStopSignals();
  std::optional<std::vector<PassItem>> files = Mp3FilesBelowOrSay(options.folder);
  if (!files) return 1;
  CoverPassSettings settings;
  settings.replace = options.replace;
  settings.maxSide = options.maxSize;
  settings.dryRun = options.dryRun;
  settings.journalFolder = JournalFolder();
  settings.folder = options.folder;
  CoverPass pass(std::move(*files), settings, codec);
  CoverLines lines(pass, ::isatty(2) == 1);
  const PassResult result = pass.Run(lines);
  lines.report.EndLine();
  const std::size_t count = pass.items().size();
  if (result.stopped && StopSignal() != 0) return Stopped(PassKind::Cover, result.done, count);
  const AlbumCounts albums = CountAlbums(pass.albums());
  std::fflush(stdout);
  PrintUtf8(stderr, std::u16string(options.dryRun ? u"試行: " : u"") + u"表紙を埋め込" +
                        (options.dryRun ? u"む" : u"んだ") + u"曲: " + ProgressText(lines.embedded, count) +
                        u" 曲、表紙があるのでそのままの曲: " + Count(lines.kept) + u" 曲\n" +
                        u"表紙の画像があるフォルダ: " + Count(albums.ready) + u"、ないフォルダ: " + Count(albums.noImage) +
                        u"、使えない画像: " + Count(albums.unusable) + u"\n" +
                        (options.dryRun ? u"ファイルは変更していません。\n" : u""));
  return result.failed() || albums.unusable > 0 ? 1 : 0;
}

int RunExtractCoversCommand(const ExtractCoversCommandOptions& options, const PictureCodec& codec) {
  CatchStopSignals();
  std::optional<std::vector<PassItem>> files = Mp3FilesBelowOrSay(options.folder);
  if (!files) return 1;
  CoverExtractionSettings settings;
  settings.dryRun = options.dryRun;
  settings.journalFolder = JournalFolder();
  settings.folder = options.folder;
  CoverExtraction pass(std::move(*files), settings, codec);
  ExtractionLines lines(pass, ::isatty(2) == 1);
  const PassResult result = pass.Run(lines);
  lines.report.EndLine();
  const std::size_t count = pass.items().size();
  if (result.stopped && StopSignal() != 0) return Stopped(PassKind::ExtractCovers, result.done, count);
  std::fflush(stdout);
  PrintUtf8(stderr, std::u16string(options.dryRun ? u"試行: " : u"") + u"表紙を書き出" +
                        (options.dryRun ? u"す" : u"した") + u"フォルダ: " + ProgressText(result.changed, count) +
                        (options.dryRun ? u"\nファイルは変更していません。\n" : u"\n"));
  return result.failed() || lines.unusable > 0 ? 1 : 0;
}

}  // namespace vq
