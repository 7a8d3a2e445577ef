// Velquist benchmarks: builds its test trees in a temporary folder from real MPEG
// frames, measures with a warm page cache, and prints one table with TagLib's figures
// for the same work and the targets. Each figure is the median of several runs.
//
//   vq_bench [--rebuild-rounds N]
//            [--only listing|window|startup|read|inplace|rebuild|command|unicode|tracks|rename|readings|covers]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bench_covers.h"
#include "bench_rename.h"
#include "bench_startup.h"
#include "bench_table.h"
#include "bench_taglib.h"
#include "bench_tree.h"
#include "bench_util.h"
#include "bench_window.h"
#include "formats/bytesource.h"
#include "formats/file_summary.h"
#include "formats/id3v2_reader.h"
#include "passes/batch_pass.h"
#include "passes/derive_names.h"
#include "passes/journal_reader.h"
#include "passes/undo.h"
#include "platform/file_names.h"
#include "platform/text.h"
#include "session/listing.h"

using namespace vqbench;

namespace {

constexpr int kListingSubfolders = 100, kListingFiles = 100;  // 10,000 rows
constexpr int kSetSubfolders = 10, kSetFiles = 100;            // 1,000 files per set
constexpr std::size_t kRebuildAudio = 1 << 20;                 // 1 MB files without tags
const char kArtist[] = "Yamada Hanako";                         // the current folder's name
constexpr int kListingRuns = 11, kWindowRuns = 7, kReadRounds = 9, kInPlaceRounds = 9, kCommandRounds = 5;
constexpr int kTracksRounds = 9;
constexpr int kRenameRounds = 9;
// Start-up on a big listing: 100 folders of 100 files (10,000 rows) and of 1,000 files
// (100,000 rows), each run a process of its own.
constexpr int kStartupSubfolders = 100, kStartupSmallFiles = 100, kStartupBigFiles = 1000;
constexpr int kStartupSmallRuns = 5, kStartupBigRuns = 3;

struct Options {
  int rebuildRounds = 3;
  std::string only;
  bool Runs(const char* part) const { return only.empty() || only == part; }
};

// Progress on standard error, with the seconds since the start.
void Note(const std::string& what) {
  static const double start = NowMs();
  std::fprintf(stderr, "[%6.1f s] %s\n", (NowMs() - start) / 1000, what.c_str());
}

std::string Fixed(double v, int decimals = 3) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// Wall-clock and processor milliseconds of one run, per file where it says so.
struct Cost {
  double wall = 0, cpu = 0;
};

template <typename F>
Cost Measure(double perItems, F&& work) {
  double wall = NowMs(), cpu = CpuMs();
  work();
  return {(NowMs() - wall) / perItems, (CpuMs() - cpu) / perItems};
}

struct Costs {
  std::vector<double> wall, cpu;
  void Add(const Cost& c) {
    wall.push_back(c.wall);
    cpu.push_back(c.cpu);
  }
  double Wall() const { return Median(wall); }
  double Cpu() const { return Median(cpu); }
  std::string Text() const { return Fixed(Wall()) + " ms (processor " + Fixed(Cpu()) + " ms)"; }
};

// Stops the pass on the first failure: a benchmark of failing writes measures nothing.
class StrictCallbacks : public vq::PassObserver {
 public:
  void Failed(const vq::ItemFailure& f) override { Fail("batch error: " + vq::Utf16ToUtf8(vq::MessageLine(f.message))); }
};

std::uint64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) Fail("cannot examine " + path);
  return static_cast<std::uint64_t>(st.st_size);
}

void PutBytes(const std::string& path, std::uint64_t offset, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size()))
    Fail("cannot restore " + path);
  ::close(fd);
}

// The typically tagged files as other programs left them: their first tags and ID3v1
// records written back over what a pass wrote in place. Each file's own length: the
// track numbers of their tags differ in width, and so do the files' lengths.
void PutBackTheirTags(std::initializer_list<const Tree*> trees) {
  for (const Tree* tree : trees) {
    for (std::size_t i = 0; i < tree->files.size(); ++i) {
      PutBytes(tree->Path(i), 0, TypicalTag(static_cast<int>(i), true));
      PutBytes(tree->Path(i), FileSize(tree->Path(i)) - 128, V1Record(static_cast<int>(i)));
    }
  }
}

// ---------------------------------------------------------------- the measured work

Costs TimeListingEngine(const Tree& tree) {
  const std::string& folder = tree.folder;
  Costs costs;
  for (int r = 0; r <= kListingRuns; ++r) {
    std::size_t rows = 0;
    Cost c = Measure(1, [&] { rows = vq::ListFilesWithSubfolders(folder).size(); });
    if (rows != tree.files.size()) Fail("the listing engine gave " + std::to_string(rows) + " rows");
    if (r > 0) costs.Add(c);
  }
  return costs;
}

std::size_t VelquistSelectionRead(const std::string& path, std::time_t date) {
  vq::FileSummary s = vq::ReadFileSummary(path, date);
  if (!s.v2.present || !s.v1 || s.playSeconds <= 0 || s.FrameListing().empty()) Fail("selection read: " + path);
  return s.FrameListing().size() + s.infoText.size();
}

// Ours and TagLib's selection read over the same files, per file.
std::pair<Costs, Costs> TimeSelectionRead(const Tree& tree) {
  Costs ours, theirs;
  const std::time_t date = std::time(nullptr);
  for (int r = 0; r <= kReadRounds; ++r) {
    for (int which = 0; which < 2; ++which) {
      bool velquist = (which == 0) == (r % 2 == 0);  // who goes first alternates
      std::size_t chars = 0;
      Cost c = Measure(static_cast<double>(tree.files.size()), [&] {
        for (std::size_t i = 0; i < tree.files.size(); ++i)
          chars += velquist ? VelquistSelectionRead(tree.Path(i), date) : TagLibSelectionRead(tree.Path(i));
      });
      if (chars < tree.files.size()) Fail("selection read returned nothing");
      if (r > 0) (velquist ? ours : theirs).Add(c);
    }
  }
  return {ours, theirs};
}

// With `journals`, the pass keeps its undo journal there, as the program does.
Cost RunVelquistBatch(const Tree& tree, const std::string& journals = {}) {
  StrictCallbacks callbacks;
  vq::BatchSettings settings;  // both tags on
  settings.journalFolder = journals;
  vq::BatchList list = tree.Batch();
  vq::PassResult result;
  Cost c = Measure(static_cast<double>(tree.files.size()), [&] { result = vq::RunBatch(list, settings, callbacks); });
  if (result.done != tree.files.size() || result.failed()) Fail("the batch pass did not complete");
  return c;
}

// Undo of the newest pass in `journals`, which tagged every file of the tree.
Cost RunVelquistUndo(const Tree& tree, const std::string& journals) {
  const std::optional<vq::PassInfo> last = vq::LastPass(journals);
  if (!last) Fail("no journal to undo");
  StrictCallbacks callbacks;
  vq::UndoResult result;
  Cost c = Measure(static_cast<double>(tree.files.size()), [&] { result = vq::UndoPass(last->path, callbacks); });
  if (result.restored != tree.files.size() || result.skipped != 0) Fail("undo did not put every file back");
  return c;
}

Cost RunTagLibBatch(const Tree& tree, bool flush) {
  vq::BatchList list = tree.Batch();
  return Measure(static_cast<double>(tree.files.size()), [&] {
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
      vq::DerivedNames names = vq::DeriveRowNames(vq::DecodePath(list.folder), list.rows[i]);
      if (!TagLibBatchFile(tree.Path(i), names, flush)) Fail("TagLib could not save " + tree.Path(i));
    }
  });
}

// The floor of any in-place tag write: the tag and the ID3v1 record read and written
// back as they are, one open per file.
Cost RunInPlaceFloor(const Tree& tree) {
  std::string tag, v1(128, '\0');
  return Measure(static_cast<double>(tree.files.size()), [&] {
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
      int fd = ::open(tree.Path(i).c_str(), O_RDWR | O_CLOEXEC);
      struct stat st {};
      unsigned char h[10];
      if (fd < 0 || ::fstat(fd, &st) != 0 || ::pread(fd, h, sizeof h, 0) != sizeof h) Fail("cannot read " + tree.Path(i));
      tag.resize(10 + ((h[6] & 0x7Fu) << 21 | (h[7] & 0x7Fu) << 14 | (h[8] & 0x7Fu) << 7 | (h[9] & 0x7Fu)));
      const off_t end = st.st_size - 128;
      if (::pread(fd, tag.data(), tag.size(), 0) != static_cast<ssize_t>(tag.size()) ||
          ::pread(fd, v1.data(), v1.size(), end) != 128 ||
          ::pwrite(fd, tag.data(), tag.size(), 0) != static_cast<ssize_t>(tag.size()) ||
          ::pwrite(fd, v1.data(), v1.size(), end) != 128 || ::close(fd) != 0)
        Fail("cannot rewrite " + tree.Path(i));
    }
  });
}

// The floor of a safe rebuild: the file's bytes copied into a new file beside it and
// flushed to disk. With `replace`, the copy then takes the file's name, as a rebuild's
// temporary file does, and the old file's blocks are given back.
Cost RunCopyAndFlush(const Tree& tree, bool replace) {
  std::string buffer;
  Cost c = Measure(static_cast<double>(tree.files.size()), [&] {
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
      std::string from = tree.Path(i), to = from + ".copy";
      int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
      if (in < 0) Fail("cannot open " + from);
      struct stat st {};
      ::fstat(in, &st);
      buffer.resize(static_cast<std::size_t>(st.st_size));
      if (::pread(in, buffer.data(), buffer.size(), 0) != static_cast<ssize_t>(buffer.size())) Fail("cannot read " + from);
      ::close(in);
      int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (out < 0 || ::write(out, buffer.data(), buffer.size()) != static_cast<ssize_t>(buffer.size()) ||
          ::fsync(out) != 0 || ::close(out) != 0)
        Fail("cannot copy to " + to);
      if (replace && ::rename(to.c_str(), from.c_str()) != 0) Fail("cannot rename " + to);
    }
  });
  if (!replace)
    for (std::size_t i = 0; i < tree.files.size(); ++i) ::unlink((tree.Path(i) + ".copy").c_str());
  return c;
}

// Every 97th file has both tags with the batch's names (read back by our reader), and a
// rebuilt one its audio behind the tag.
void CheckWritten(const Tree& tree, std::size_t audioBytes, bool grown) {
  vq::BatchList list = tree.Batch();
  for (std::size_t i = 0; i < tree.files.size(); i += 97) {
    vq::FileSummary s = vq::ReadFileSummary(tree.Path(i), std::nullopt);
    vq::DerivedNames names = vq::DeriveRowNames(vq::DecodePath(list.folder), list.rows[i]);
    // TagLib pads ID3v1 fields with zero bytes, which our reader shows as spaces.
    auto trimmed = [](std::u16string text) {
      while (!text.empty() && (text.back() == u' ' || text.back() == u'\0')) text.pop_back();
      return text;
    };
    if (!s.v2.present || !s.v1 || trimmed(s.v1->title) != names.FileTitle || trimmed(s.v1->album) != names.SubfolderName)
      Fail("not written as the batch should: " + tree.Path(i) + " (ID3v1 title \"" +
           vq::Utf16ToUtf8(s.v1 ? s.v1->title : u"") + "\", album \"" + vq::Utf16ToUtf8(s.v1 ? s.v1->album : u"") +
           "\")");
    if (grown && FileSize(tree.Path(i)) < audioBytes + 128 + 10) Fail("rebuilt file too short: " + tree.Path(i));
  }
}

// "velquist --batch FOLDER" (or another command, with its options) as a user runs it
// (RunVelquist); `cpuMs`, when given, gets the process's processor time (user and system).
double RunCommand(const std::string& folder, const std::vector<std::string>& command = {"--batch"},
                  double* cpuMs = nullptr) {
  std::vector<std::string> args = command;
  args.push_back(folder);
  return RunVelquist(args, cpuMs);
}

// Every 97th file of a converted tree holds its title in UTF-16 now.
void CheckConverted(const Tree& tree) {
  for (std::size_t i = 0; i < tree.files.size(); i += 97) {
    vq::RawFile f(tree.Path(i), vq::RawFile::Mode::Read);
    vq::FileSource src(f);
    const vq::V2Header h = vq::ReadV2Header(src);
    vq::V2FrameTable table;
    std::u16string listing;
    vq::WalkV2Frames(src, h.major, h.size, table, listing);
    if (table.empty() || table[0].id != u"TIT2" || table[0].body.substr(0, 3) != "\x01\xFF\xFE" ||
        table[0].text.substr(0, 5) != u"夜明けの歌")
      Fail("not converted: " + tree.Path(i));
  }
}

// Every 97th file of a tree numbered by --track-numbers holds "n/100" in TRCK.
void CheckNumbered(const Tree& tree) {
  for (std::size_t i = 0; i < tree.files.size(); i += 97) {
    vq::RawFile f(tree.Path(i), vq::RawFile::Mode::Read);
    vq::FileSource src(f);
    const vq::V2Header h = vq::ReadV2Header(src);
    vq::V2FrameTable table;
    std::u16string listing;
    vq::WalkV2Frames(src, h.major, h.size, table, listing);
    const std::u16string expected = vq::Utf8ToUtf16(std::to_string(i % kSetFiles + 1) + "/" + std::to_string(kSetFiles));
    bool numbered = false;
    for (const auto& e : table) numbered |= e.id == u"TRCK" && e.text == expected;
    if (!numbered) Fail("not numbered: " + tree.Path(i));
  }
}

// The first file of a tree that went through the readings pass holds its album's
// reading in a TSOA frame, the typical tag's other frames in their places.
void CheckReadings(const Tree& tree) {
  vq::RawFile f(tree.Path(0), vq::RawFile::Mode::Read);
  vq::FileSource src(f);
  const vq::V2Header h = vq::ReadV2Header(src);
  vq::V2FrameTable table;
  std::u16string listing;
  vq::WalkV2Frames(src, h.major, h.size, table, listing);
  if (table.size() < 2 || table[0].id != u"TIT2" || table.back().id != u"TSOA" ||
      table.back().text != u"フユノタビ ダイ01シュウ")
    Fail("no album reading written: " + tree.Path(0));
}

// Written to disk and cached as read (see RecacheAsRead), for every file of the trees.
void Settle(std::initializer_list<const Tree*> trees) {
  SyncDisk();
  for (const Tree* tree : trees)
    for (std::size_t i = 0; i < tree->files.size(); ++i) RecacheAsRead(tree->Path(i));
}

std::string LoadAverage() {
  std::string text = ReadFile("/proc/loadavg");
  return text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], kStartupOption) == 0)
    RunStartupProcess(argc, argv, argv[2], argv[3], static_cast<std::size_t>(std::atol(argv[4])));
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--rebuild-rounds" && i + 1 < argc) {
      options.rebuildRounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--only" && i + 1 < argc) {
      options.only = argv[++i];
    } else {
      std::cerr << "usage: vq_bench [--rebuild-rounds N] [--only "
                   "listing|window|startup|read|inplace|rebuild|command|unicode|tracks|rename|readings|covers]\n";
      return 2;
    }
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  BenchDir root;
  Results results;
  const std::string loadBefore = LoadAverage();
  Note("test trees in " + root.path() + "; load average " + loadBefore);

  const std::string audio = AudioFrames(kRebuildAudio);

  if (options.Runs("listing") || options.Runs("window")) {
    const std::string small = AudioFrames(16 << 10);
    Tree listing = MakeTree(root / "listing/" + kArtist, kListingSubfolders, kListingFiles,
                            [&small](int i) { return TypicalTag(i, false) + small + V1Record(i); });
    Settle({&listing});
    Note("listing tree built");
    if (options.Runs("listing")) {
      Costs c = TimeListingEngine(listing);
      results.listingEngineMs = c.Wall();
      Note("listing engine: " + c.Text());
    }
    if (options.Runs("window")) {
      MakeDirs(root / "program");
      WriteFile(root / "program/id3 tag.txt", ReadFile(VQ_BENCH_SOURCE "/resources/id3tag.txt"));
      Costs c;
      WindowTimes w = TimeFileListWindow(listing.folder, root / "program", kWindowRuns);
      if (w.rows != static_cast<int>(listing.files.size())) Fail("the file list shows " + std::to_string(w.rows) + " rows");
      if (w.messages != 0) Fail("the main window raised " + std::to_string(w.messages) + " message boxes");
      for (std::size_t k = 0; k < w.ms.size(); ++k) c.Add({w.ms[k], w.cpuMs[k]});
      results.listingWindowMs = c.Wall();
      Note("listing with the file list: " + c.Text());
    }
    RemoveTree(root / "listing");
    Note("listing tree removed");
  }

  if (options.Runs("startup")) {
    // The listing reads names and attributes only, so the files are empty but for the
    // first one, which the window reads and shows: a typical tag without picture, 16 KB
    // of audio and an ID3v1 record. (On this disk, 100,000 files with content take
    // minutes to remove.) Written to disk before the runs.
    const std::string audio16k = AudioFrames(16 << 10);
    auto content = [&audio16k](int i) { return i == 0 ? TypicalTag(i, false) + audio16k + V1Record(i) : std::string(); };
    MakeDirs(root / "program");
    WriteFile(root / "program/id3 tag.txt", ReadFile(VQ_BENCH_SOURCE "/resources/id3tag.txt"));
    const struct {
      int files, runs;
      std::optional<double>*cpu, *peak;
    } sizes[] = {{kStartupSmallFiles, kStartupSmallRuns, &results.startupSmallCpuMs, &results.startupSmallPeakMb},
                 {kStartupBigFiles, kStartupBigRuns, &results.startupBigCpuMs, &results.startupBigPeakMb}};
    for (const auto& size : sizes) {
      Tree tree = MakeTree(root / "startup/" + kArtist, kStartupSubfolders, size.files, content);
      SyncDisk();
      StartupCosts c = TimeStartup("/proc/self/exe", tree.folder, root / "program", tree.files.size(), size.runs);
      *size.cpu = Median(c.cpuMs);
      *size.peak = Median(c.peakMb);
      Note("start-up on " + std::to_string(tree.files.size()) + " rows: processor " + Fixed(**size.cpu, 1) +
           " ms, peak " + Fixed(**size.peak, 1) + " MB");
      if (size.files == kStartupBigFiles) {
        // The listing alone, in this process: the part of the start-up that is not windows.
        Costs engine = TimeListingEngine(tree);
        results.listingEngineBigMs = engine.Cpu();
        Note("listing engine on " + std::to_string(tree.files.size()) + " rows: " + engine.Text());
      }
      RemoveTree(root / "startup");
    }
  }

  if (options.Runs("read") || options.Runs("inplace")) {
    // Typically tagged files, one set for us and an identical one for TagLib.
    auto tagged = [&audio](int i) { return TypicalTag(i, true) + audio + V1Record(i); };
    Tree ours = MakeTree(root / "inplace-velquist/" + kArtist, kSetSubfolders, kSetFiles, tagged);
    Tree theirs = MakeTree(root / "inplace-taglib/" + kArtist, kSetSubfolders, kSetFiles, tagged);
    Settle({&ours, &theirs});
    Note("tagged sets built");
    if (options.Runs("read")) {
      auto [v, t] = TimeSelectionRead(ours);
      results.readMs = v.Wall();
      results.readTagLibMs = t.Wall();
      Note("selection read per file: " + v.Text() + ", TagLib " + t.Text());
    }
    if (options.Runs("inplace")) {
      const std::uint64_t length = FileSize(ours.Path(0));
      Costs v, t, f, j, u;
      const std::string journals = root / "journals";
      for (int r = 0; r <= kInPlaceRounds; ++r) {
        // Every round tags files as other programs left them, as a first pass would.
        PutBackTheirTags({&ours, &theirs});
        for (int k = 0; k < 4; ++k) {
          int which = (r + k) % 4;  // a different order each round
          SyncDisk();
          if (which == 0 || which == 3) PutBackTheirTags({&ours});
          Cost c = which == 0   ? RunVelquistBatch(ours)
                   : which == 1 ? RunTagLibBatch(theirs, false)
                   : which == 2 ? RunInPlaceFloor(ours)
                                : RunVelquistBatch(ours, journals);
          if (r > 0) (which == 0 ? v : which == 1 ? t : which == 2 ? f : j).Add(c);
          // The pass with its journal is put back at once: undo's own cost, beside the rest.
          if (which == 3) {
            SyncDisk();
            const Cost undo = RunVelquistUndo(ours, journals);
            if (r > 0) u.Add(undo);
          }
        }
        if (FileSize(ours.Path(0)) != length || FileSize(theirs.Path(0)) != length)
          Fail("a tag was not written in place");
      }
      CheckWritten(ours, audio.size(), false);
      CheckWritten(theirs, audio.size(), false);
      results.inPlaceMs = v.Wall();
      results.inPlaceTagLibMs = t.Wall();
      results.inPlaceFloorMs = f.Wall();
      results.inPlaceJournalMs = j.Wall();
      results.undoInPlaceMs = u.Wall();
      Note("batch in place per file: " + v.Text() + ", with the undo journal " + j.Text() + ", TagLib " + t.Text() +
           ", tag read and written back " + f.Text());
    }
    RemoveTree(root / "inplace-velquist");
    RemoveTree(root / "inplace-taglib");
    SyncDisk();
  }

  if (options.Runs("rebuild")) {
    // The disk's speed drifts by several times within minutes on a shared machine, so
    // the four kinds of work take turns in slices of 50 files and each sums its slices.
    Costs v, t, c, cr;
    auto plain = [&audio](int) { return audio; };
    for (int r = 0; r < options.rebuildRounds; ++r) {
      std::string round = root / ("rebuild-" + std::to_string(r));
      Tree ours = MakeTree(round + "/velquist/" + kArtist, kSetSubfolders, kSetFiles, plain);
      Tree theirs = MakeTree(round + "/taglib/" + kArtist, kSetSubfolders, kSetFiles, plain);
      Settle({&ours, &theirs});
      Note("rebuild round " + std::to_string(r + 1) + ": files built");
      Cost sum[4];
      const std::size_t slice = 50;
      for (std::size_t from = 0; from < ours.files.size(); from += slice) {
        std::size_t to = std::min(from + slice, ours.files.size());
        Tree mine = ours.Slice(from, to), other = theirs.Slice(from, to);
        for (int k = 0; k < 4; ++k) {
          // A different order each slice. The copies may run after the rebuild and then
          // copy the new tags too: 128 bytes and a few hundred more than 1 MB.
          int which = (static_cast<int>(from / slice) + k) % 4;
          SyncDisk();
          Cost one = which == 0   ? RunCopyAndFlush(mine, false)
                     : which == 1 ? RunVelquistBatch(mine)
                     : which == 2 ? RunTagLibBatch(other, true)
                                  : RunCopyAndFlush(mine, true);
          sum[which].wall += one.wall * static_cast<double>(to - from);
          sum[which].cpu += one.cpu * static_cast<double>(to - from);
        }
      }
      const double n = static_cast<double>(ours.files.size());
      for (Cost& one : sum) one = {one.wall / n, one.cpu / n};
      c.Add(sum[0]);
      v.Add(sum[1]);
      t.Add(sum[2]);
      cr.Add(sum[3]);
      CheckWritten(ours, audio.size(), true);
      CheckWritten(theirs, audio.size(), true);
      RemoveTree(round);
      SyncDisk();
      Note("rebuild round " + std::to_string(r + 1) + ": " + Fixed(v.wall.back()) + " ms per file, TagLib " +
           Fixed(t.wall.back()) + " ms, copy and flush " + Fixed(c.wall.back()) + " ms, and replace " +
           Fixed(cr.wall.back()) + " ms");
    }
    results.rebuildMs = v.Wall();
    results.rebuildTagLibMs = t.Wall();
    results.copyFlushMs = c.Wall();
    results.copyFlushReplaceMs = cr.Wall();
  }

  if (options.Runs("command")) {
    // The whole command over 1,000 typically tagged files (in place), then over 1,000
    // untagged 1 MB files (rebuilt), beside TagLib doing the same work in this process.
    auto tagged = [&audio](int i) { return TypicalTag(i, true) + audio + V1Record(i); };
    Tree ours = MakeTree(root / "command-velquist/" + kArtist, kSetSubfolders, kSetFiles, tagged);
    Tree theirs = MakeTree(root / "command-taglib/" + kArtist, kSetSubfolders, kSetFiles, tagged);
    Settle({&ours, &theirs});
    const std::uint64_t length = FileSize(ours.Path(0));
    const double n = static_cast<double>(ours.files.size());
    Costs v, t;
    for (int r = 0; r <= kCommandRounds; ++r) {
      PutBackTheirTags({&ours, &theirs});
      SyncDisk();
      const double ms = RunCommand(ours.folder);
      SyncDisk();
      const Cost tagLib = RunTagLibBatch(theirs, false);
      if (r > 0) {
        v.Add({ms, 0});
        t.Add({tagLib.wall * n, tagLib.cpu * n});
      }
    }
    if (FileSize(ours.Path(0)) != length) Fail("the command did not write in place");
    CheckWritten(ours, audio.size(), false);
    results.commandInPlaceMs = v.Wall();
    results.commandInPlaceTagLibMs = t.Wall();
    Note("velquist --batch in place, 1,000 files: " + Fixed(v.Wall(), 1) + " ms, TagLib " + Fixed(t.Wall(), 1) + " ms");
    RemoveTree(root / "command-velquist");
    RemoveTree(root / "command-taglib");
    SyncDisk();

    Costs vr, tr, cr;
    auto plain = [&audio](int) { return audio; };
    for (int r = 0; r < options.rebuildRounds; ++r) {
      std::string round = root / ("command-rebuild-" + std::to_string(r));
      Tree mine = MakeTree(round + "/velquist/" + kArtist, kSetSubfolders, kSetFiles, plain);
      Tree other = MakeTree(round + "/taglib/" + kArtist, kSetSubfolders, kSetFiles, plain);
      Tree source = MakeTree(round + "/source/" + kArtist, kSetSubfolders, kSetFiles, plain);
      Settle({&mine, &other, &source});
      // Who goes first turns round: the disk's speed drifts.
      double ms = 0, copyMs = 0;
      Cost tagLib;
      for (int k = 0; k < 3; ++k) {
        const int which = (k + r) % 3;
        // The page cache here holds about 5 GB: what ran before (a gigabyte copied, a
        // gigabyte rewritten) pushes the next work's files out, and that work would read
        // them from disk again. Each kind starts with only its own files cached.
        DropPageCache();
        Settle({which == 0 ? &mine : which == 1 ? &other : &source});
        if (which == 0)
          ms = RunCommand(mine.folder);
        else if (which == 1)
          tagLib = RunTagLibBatch(other, true);
        else
          copyMs = RunCopyAndSync(round + "/source", round + "/copy");
      }
      cr.Add({copyMs, 0});
      CheckWritten(mine, audio.size(), true);
      vr.Add({ms, 0});
      tr.Add({tagLib.wall * n, tagLib.cpu * n});
      RemoveTree(round);
      SyncDisk();
      Note("velquist --batch rebuild round " + std::to_string(r + 1) + ": " + Fixed(ms, 1) + " ms, TagLib " +
           Fixed(tagLib.wall * n, 1) + " ms, cp -r + sync " + Fixed(copyMs, 1) + " ms");
    }
    results.commandRebuildMs = vr.Wall();
    results.commandRebuildTagLibMs = tr.Wall();
    results.commandCopySyncMs = cr.Wall();
  }

  if (options.Runs("unicode")) {
    // "velquist --to-unicode" over 1,000 files tagged in code page 932 (the typical tag
    // with its Japanese texts in encoding 0; converted in place), and "velquist --batch"
    // on the same files: each run starts from the same tags, the order alternates.
    auto codePageTag = [](int i) { return TypicalTag(i, true, /*codePage=*/true); };
    Tree tree = MakeTree(root / "unicode/" + kArtist, kSetSubfolders, kSetFiles,
                         [&](int i) { return codePageTag(i) + audio + V1Record(i); });
    Settle({&tree});
    const std::uint64_t length = FileSize(tree.Path(0));
    auto putBack = [&] {
      for (std::size_t i = 0; i < tree.files.size(); ++i) {
        PutBytes(tree.Path(i), 0, codePageTag(static_cast<int>(i)));
        PutBytes(tree.Path(i), FileSize(tree.Path(i)) - 128, V1Record(static_cast<int>(i)));
      }
      SyncDisk();
    };
    Costs u, b;
    for (int r = 0; r <= kCommandRounds; ++r) {
      double unicodeMs = 0, batchMs = 0;
      for (int k = 0; k < 2; ++k) {
        putBack();
        if ((k == 0) == (r % 2 == 0)) {
          unicodeMs = RunCommand(tree.folder, {"--to-unicode"});
          if (FileSize(tree.Path(0)) != length) Fail("the conversion did not write in place");
          CheckConverted(tree);
        } else {
          batchMs = RunCommand(tree.folder);
        }
      }
      if (r > 0) {
        u.Add({unicodeMs, 0});
        b.Add({batchMs, 0});
      }
    }
    results.unicodeMs = u.Wall();
    results.unicodeBatchMs = b.Wall();
    Note("velquist --to-unicode, 1,000 files: " + Fixed(u.Wall(), 1) + " ms, --batch " + Fixed(b.Wall(), 1) + " ms");
    RemoveTree(root / "unicode");
    SyncDisk();
  }

  if (options.Runs("tracks")) {
    // "velquist --batch --track-numbers" and the plain "velquist --batch" over the same
    // 1,000 typically tagged files ("Track 001.mp3" .. in 10 albums), in place; each run
    // starts from the same tags, the order alternates. Compared by each process's
    // processor time, which other programs on a shared machine change far less than the
    // wall-clock time (both are printed).
    auto tagged = [&audio](int i) { return TypicalTag(i, true) + audio + V1Record(i); };
    Tree tree = MakeTree(root / "tracks/" + kArtist, kSetSubfolders, kSetFiles, tagged);
    Settle({&tree});
    const std::uint64_t length = FileSize(tree.Path(0));
    Costs withTracks, plain;
    for (int r = 0; r <= kTracksRounds; ++r) {
      Cost tracks, batch;
      for (int k = 0; k < 2; ++k) {
        PutBackTheirTags({&tree});
        SyncDisk();
        const bool numbered = (k == 0) == (r % 2 == 0);
        Cost& c = numbered ? tracks : batch;
        c.wall = RunCommand(tree.folder, numbered ? std::vector<std::string>{"--batch", "--track-numbers"}
                                                  : std::vector<std::string>{"--batch"},
                            &c.cpu);
        if (FileSize(tree.Path(0)) != length) Fail("the batch did not write in place");
        if (numbered && r == kTracksRounds) CheckNumbered(tree);
      }
      if (r > 0) {
        withTracks.Add(tracks);
        plain.Add(batch);
      }
    }
    results.tracksMs = withTracks.Cpu();
    results.tracksBatchMs = plain.Cpu();
    Note("velquist --batch --track-numbers, 1,000 files: processor " + Fixed(withTracks.Cpu(), 1) + " ms (wall " +
         Fixed(withTracks.Wall(), 1) + " ms), --batch processor " + Fixed(plain.Cpu(), 1) + " ms (wall " +
         Fixed(plain.Wall(), 1) + " ms)");
    RemoveTree(root / "tracks");
  }

  if (options.Runs("rename")) {
    // 1,000 typically tagged files (without pictures: a rename never reads past the
    // tag) named "%artist%/%album%/%track% %title%" by the pass, with its journal, and
    // by a plain loop of rename() with the same names, side by side.
    const std::string small = AudioFrames(16 << 10);
    Tree tree = MakeTree(root / "rename/" + kArtist, kSetSubfolders, kSetFiles,
                         [&small](int i) { return TypicalTag(i, false) + small + V1Record(i); });
    Settle({&tree});
    const RenameCosts c = TimeRenames(tree, root / "journals", kRenameRounds);
    results.renamePassMs = c.passMs;
    results.renamePlainMs = c.plainMs;
    results.renamePlanMs = c.planMs;
    Note("renaming 1,000 files: " + Fixed(c.passMs, 1) + " ms on the engine, " + Fixed(c.plainMs, 1) +
         " ms as a rename() loop; plan " + Fixed(c.planMs, 1) + " ms");
    RemoveTree(root / "rename");
  }

  if (options.Runs("readings")) {
    // "velquist --readings" over 1,000 typically tagged files: the album's reading is
    // confirmed by both dictionaries and written in place into every file, each distinct
    // title is looked up in both; and "velquist --batch" in place on the same files. Each
    // run starts from the same tags, the order alternates. The journals go to a folder of
    // the benchmark's own. Then "velquist --undo" of a readings pass must give every
    // file back byte for byte.
    auto tagged = [&audio](int i) { return TypicalTag(i, true) + audio + V1Record(i); };
    Tree tree = MakeTree(root / "readings/" + kArtist, kSetSubfolders, kSetFiles, tagged);
    Settle({&tree});
    const std::uint64_t length = FileSize(tree.Path(0));
    const char* stateBefore = std::getenv("XDG_STATE_HOME");
    const std::string savedState = stateBefore ? stateBefore : "";
    const std::string journals = root / "state";
    ::setenv("XDG_STATE_HOME", journals.c_str(), 1);
    Costs rd, b;
    for (int r = 0; r <= kCommandRounds; ++r) {
      double readingsMs = 0, batchMs = 0;
      for (int k = 0; k < 2; ++k) {
        PutBackTheirTags({&tree});
        SyncDisk();
        if ((k == 0) == (r % 2 == 0)) {
          readingsMs = RunCommand(tree.folder, {"--readings"});
          if (FileSize(tree.Path(0)) != length) Fail("the readings pass did not write in place");
          CheckReadings(tree);
        } else {
          batchMs = RunCommand(tree.folder);
        }
      }
      if (r > 0) {
        rd.Add({readingsMs, 0});
        b.Add({batchMs, 0});
      }
    }
    PutBackTheirTags({&tree});
    SyncDisk();
    RunCommand(tree.folder, {"--readings"});
    CheckReadings(tree);
    const std::optional<vq::PassInfo> last = vq::LastPass(journals + "/velquist");
    if (!last || last->kind != vq::PassKind::Readings) Fail("no journal of the readings pass");
    const double undoMs = RunCommand(last->path, {"--undo"});
    std::size_t differing = 0;
    std::string first;
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
      const std::string now = ReadFile(tree.Path(i)), was = tagged(static_cast<int>(i));
      if (now == was) continue;
      if (differing++ == 0) {
        std::size_t at = 0;
        while (at < now.size() && at < was.size() && now[at] == was[at]) ++at;
        first = tree.Path(i) + " from byte " + std::to_string(at) + " (" + std::to_string(now.size()) + " bytes, was " +
                std::to_string(was.size()) + ")";
      }
    }
    if (differing > 0) Fail("--undo did not give back every byte of " + std::to_string(differing) + " files: " + first);
    if (stateBefore)
      ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    else
      ::unsetenv("XDG_STATE_HOME");
    results.readingsMs = rd.Wall();
    results.readingsBatchMs = b.Wall();
    results.readingsUndoMs = undoMs;
    Note("velquist --readings, 1,000 files: " + Fixed(rd.Wall(), 1) + " ms, --batch " + Fixed(b.Wall(), 1) +
         " ms; --undo " + Fixed(undoMs, 1) + " ms, every byte back");
    RemoveTree(root / "readings");
    SyncDisk();
  }

  if (options.Runs("covers")) {
    // The cover pass over 1,000 files in 100 album folders, against a copy of the tree
    // with one flush; what it must show is checked on the way (bench_covers.h).
    const CoverFigures c = RunCoverBench(root.path(), audio, options.rebuildRounds);
    results.coverMs = c.coverMs;
    results.coverCopySyncMs = c.copySyncMs;
    results.coverBatchMs = c.batchMs;
    results.extractCoversMs = c.extractMs;
    results.coverUndoMs = c.undoMs;
    Note("velquist --cover --max-size 600, 1,000 files: " + Fixed(c.coverMs, 1) + " ms, cp -r + sync " +
         Fixed(c.copySyncMs, 1) + " ms, --batch " + Fixed(c.batchMs, 1) + " ms; --extract-covers " +
         Fixed(c.extractMs, 1) + " ms, --undo " + Fixed(c.undoMs, 1) + " ms");
  }

  std::cout << "\nVelquist benchmarks, median wall-clock times, warm cache; load average " << loadBefore
            << " before, " << LoadAverage() << " after\n\n"
            << Table(results, TagLibVersion());
  return 0;
}
