#include "app/cli/batch_command.h"

#include <unistd.h>

#include <cstdio>
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

// The pass reports on standard error: progress in place on a terminal, the failure's
// message as the batch window shows it. A dry run's plan goes to standard output, one
// line per file.
class TerminalCallbacks : public PassObserver {
 public:
  TerminalCallbacks(const BatchPass& pass, bool dryRun, bool terminal) : pass_(pass), dryRun_(dryRun), report(terminal) {}

  bool StopRequested() override { return StopSignal() != 0; }

  void Finished(std::size_t item, ItemOutcome outcome) override {
    last_ = item;
    SayCoverAlbum(item);
    if (!dryRun_ || outcome == ItemOutcome::Failed) return;
    report.EndLine();
    const PassItem& file = pass_.items()[item];
    const PlannedFile& plan = pass_.PlanOf(item);
    std::u16string line = file.shownFolder + file.shownName + u"\t曲名: " + plan.title + u"\t作者: " + plan.artist +
                          u"\tアルバム: " + plan.album + u"\t";
    if (plan.v1) line += u"v1";
    if (plan.v1 && plan.v2) line += u" ";
    if (plan.v2) line += u"v2";
    if (plan.cover && *plan.cover != CoverChange::KeptExisting) line += u" 表紙";
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
  // "表紙を埋め込む": a folder without a usable cover image, once, before its first file.
  void SayCoverAlbum(std::size_t item) {
    const std::vector<AlbumCover>& albums = pass_.coverAlbums();
    if (albums.empty()) return;
    const std::size_t album = pass_.CoverAlbumOf(item);
    said_.resize(albums.size());
    const AlbumCover& a = albums[album];
    if (said_[album] || a.state == AlbumCover::State::NotLooked) return;
    said_[album] = true;
    if (a.state == AlbumCover::State::Ready) return;
    report.EndLine();
    PrintUtf8(stderr, AlbumCoverText(a) + u"\n");
  }

  std::vector<bool> said_;
  const BatchPass& pass_;
  bool dryRun_;
  std::size_t last_ = 0;

 public:
  TerminalReport report;
};

}  // namespace

int RunBatchCommand(const BatchCommandOptions& options, const PictureCodec* codec) {
  const std::string& folder = options.folder;
  // From here on a signal ends the command with its message, never in the middle of a file.
  CatchStopSignals();
  std::vector<ListedFile> rows;
  try {
    rows = options.fileNames ? ListOwnFiles(folder) : ListFilesWithSubfolders(folder);
  } catch (const Error& e) {
    PrintUtf8(stderr, u"フォルダを開けません。\n" + DecodePath(folder) + u"\n" + e.description() + u"\n");
    return 1;
  }
  BatchSettings settings;
  settings.v1 = !options.noV1;
  settings.v2 = !options.noV2;
  settings.createNewOnly = options.newOnly;
  settings.keepDate = options.keepDate;
  settings.unicode = options.unicode;
  settings.dryRun = options.dryRun;
  settings.embedCover = options.embedCover;
  settings.coverCodec = codec;
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
  if (options.dryRun) {
    std::fflush(stdout);
    PrintUtf8(stderr, u"試行: " + ProgressText(callbacks.writes, count) +
                      u" 曲に書き込みます。ファイルは変更していません。\n");
  } else {
    PrintUtf8(stderr, ProgressText(result.done, count) + u" 曲を処理しました。\n");
  }
  if (options.embedCover) {
    const AlbumCounts albums = CountAlbums(pass.coverAlbums());
    PrintUtf8(stderr, u"表紙の画像があるフォルダ: " + FormatThousands(static_cast<std::int64_t>(albums.ready)) +
                          u"、ないフォルダ: " + FormatThousands(static_cast<std::int64_t>(albums.noImage)) +
                          u"、使えない画像: " + FormatThousands(static_cast<std::int64_t>(albums.unusable)) + u"\n");
    if (albums.unusable > 0) return 1;
  }
  return result.failed() ? 1 : 0;
}

}  // namespace vq
