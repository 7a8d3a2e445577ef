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

// A file's line: the file, then the values the pass writes (title, artist and album
// first, as the line has always begun), then the tags ("v1", "v2", both, or
// "書き込みなし", and "表紙" when "表紙を埋め込む" puts the album's cover in); a file the pattern did not match: the file and why it stays.
std::u16string PlannedFileLine(const PassItem& file, const PlannedFile& plan) {
  std::u16string line = OnOneLine(file.shownFolder + file.shownName);
  if (!plan.unmatched.empty()) return line + u"\tそのまま: " + OnOneLine(plan.unmatched);
  for (TagField f : {TagField::Title, TagField::Artist, TagField::Album, TagField::Track, TagField::Disc,
                     TagField::Year, TagField::Genre, TagField::Comment})
    if (plan.values[f]) line += u"\t" + std::u16string(TagFieldLabel(f)) + u": " + OnOneLine(*plan.values[f]);
  line += u"\t";
  if (plan.v1) line += u"v1";
  if (plan.v1 && plan.v2) line += u" ";
  if (plan.v2) line += u"v2";
  if (plan.cover && *plan.cover != CoverChange::KeptExisting) line += u" 表紙";
  if (!plan.v1 && !plan.v2) line += u"書き込みなし";
  return line;
}

// The pass reports on standard error: progress in place on a terminal, the failure's
// message as the batch window shows it. A dry run's plan goes to standard output, one
// line per file; a real pass lists there the files the pattern left alone, once it has
// gone past them.
class TerminalCallbacks : public PassObserver {
 public:
  TerminalCallbacks(const BatchPass& pass, bool dryRun, bool terminal) : pass_(pass), dryRun_(dryRun), report(terminal) {}

  bool StopRequested() override { return StopSignal() != 0; }

  void Finished(std::size_t item, ItemOutcome outcome) override {
    last_ = item;
    SayCoverAlbum(item);
    if (outcome == ItemOutcome::Failed) return;
    if (!dryRun_ && outcome != ItemOutcome::Skipped) return;
    const PlannedFile& plan = pass_.PlanOf(item);
    report.EndLine();
    PrintUtf8(stdout, PlannedFileLine(pass_.items()[item], plan) + u"\n");
    if (plan.v1 || plan.v2) ++writes;
  }

  void Progress(std::size_t done, std::size_t count) override {
    report.Progress(done, count, pass_.items()[last_].shownName);
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
    SayFolderUnreadable(folder, e);
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
  settings.naming.trackNumbers = options.trackNumbers;
  settings.naming.numberInOrder = options.numberInOrder;
  // The parser took only a pattern the batch can use.
  if (!options.pattern.empty()) settings.naming.pattern = ParseNamePattern(Utf8ToUtf16(options.pattern)).pattern;
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
  // Every file the batch skips is one the pattern left alone.
  if (settings.naming.pattern) PrintUtf8(stderr, UnmatchedCountText(result.skipped) + u"\n");
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
