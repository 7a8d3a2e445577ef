// The undo journal: a pass records what puts each file back, undo gives every file its
// old bytes and dates, leaves a file changed since alone, and the journal is on disk
// before any file changes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "passes/journal.h"
#include "passes/journal_reader.h"
#include "passes/undo.h"
#include "passes/to_unicode.h"
#include "formats/id3v1.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/listing.h"
#include "pass_recorder.h"
#include "test_util.h"

using namespace vq;
using namespace vqtest;
using vqtest::PassRecorder;
using vqtest::UndoRecorder;

namespace {

using Quiet = PassRecorder;
using Undo = UndoRecorder;

struct FileState {
  std::string bytes;
  struct timespec modified {};
  bool operator==(const FileState& o) const {
    return bytes == o.bytes && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};
FileState StateOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return {ReadBytes(path), st.st_mtim};
}

// A tree of fixtures under Band/, each with a date to the nanosecond.
struct Tree {
  TempDir dir, journals;
  std::string folder;
  std::vector<std::string> paths;
  std::vector<FileState> before;
  std::vector<ListedFile> rows;
  explicit Tree(const std::vector<std::string>& fixtures) : folder(dir / "Band") {
    for (std::size_t i = 0; i < fixtures.size(); ++i) {
      const std::string path =
          dir.CopyFixture(fixtures[i], "Band/" + std::string(i % 2 ? "Disc/" : "") + std::to_string(10 + i) + " 曲.mp3");
      SetFileTimes(path, 1000000000 + static_cast<std::time_t>(i), 123456789);
      paths.push_back(path);
    }
    for (const auto& p : paths) before.push_back(StateOf(p));
    rows = ListFilesWithSubfolders(folder);
  }
  PassResult Pass(BatchSettings settings, Quiet& callbacks) const {
    settings.journalFolder = journals.path();
    return RunBatch(folder, rows, settings, callbacks);
  }
  // Each file exactly as before the pass, its date too.
  void ExpectAsBefore(const char* when) const {
    for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_TRUE(StateOf(paths[i]) == before[i]) << when << ": " << paths[i];
  }
};

const std::vector<std::string> kKinds = {
    "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3",        // a picture, carried over
    "13_v22_handmade_mpeg1_l2_64k.mp3",              // v2.2, converted
    "16_v24_ffmpeg_mpeg1_l3_32k.mp3",                // v2.4
    "17_v24_footer_handmade_mpeg1_l3_128k.mp3",      // a v2.4 footer
    "18_v23_unsync_priv_handmade_mpeg1_l3_128k.mp3", // unsynchronised
    "14_notag_lame_mpeg1_l3_128k.mp3",               // no tag: both appended
    "01_v1only_eyed3_mpeg1_l3_128k.mp3",             // an ID3v1 record replaced
    "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3",        // written in place
};

}  // namespace

// Every kind of file, rebuilt or written in place, with each setting that changes what is
// written: undo gives back every byte and the date; undo again finds nothing to do.
TEST(Journal, UndoGivesEveryFileItsBytesAndDateBack) {
  struct Case {
    const char* name;
    bool v1, v2, keepDate, unicode;
  };
  for (const Case& c : {Case{"both tags", true, true, false, false}, Case{"v2 only, keep date", false, true, true, false},
                        Case{"v1 only", true, false, false, false}, Case{"unicode", true, true, false, true}}) {
    SCOPED_TRACE(c.name);
    Tree t(kKinds);
    Quiet q;
    BatchSettings s;
    s.v1 = c.v1, s.v2 = c.v2, s.keepDate = c.keepDate, s.unicode = c.unicode;
    const PassResult r = t.Pass(s, q);
    ASSERT_EQ(r.done, kKinds.size());
    ASSERT_TRUE(q.Failures().empty()) << Utf16ToUtf8(q.Failures()[0]);
    for (std::size_t i = 0; i < t.paths.size(); ++i) EXPECT_NE(ReadBytes(t.paths[i]), t.before[i].bytes) << t.paths[i];
    ASSERT_FALSE(r.journal.empty());
    const PassInfo info = ReadPassInfo(r.journal);
    EXPECT_EQ(info.files, kKinds.size());
    EXPECT_EQ(info.folder, t.folder);
    EXPECT_FALSE(info.undone);

    Undo u;
    const UndoResult undone = UndoPass(r.journal, u);
    EXPECT_EQ(undone.restored, kKinds.size());
    EXPECT_TRUE(u.skippedPaths.empty());
    t.ExpectAsBefore("after undo");
    EXPECT_TRUE(ReadPassInfo(r.journal).undone);
    const UndoResult again = UndoPass(r.journal, u);
    EXPECT_EQ(again.restored + again.skipped, 0u);
  }
}

// The conversion to Unicode records its files too.
TEST(Journal, AConversionIsUndoneLikeTheBatch) {
  Tree t({"12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3"});
  UnicodeSettings s;
  s.journalFolder = t.journals.path();
  s.folder = t.folder;
  Quiet q;
  const UnicodeResult r = RunUnicodeConversion(ListMp3FilesBelow(t.folder), s, q);
  ASSERT_EQ(r.converted, 2u);
  EXPECT_EQ(ReadPassInfo(r.journal).kind, PassKind::Unicode);
  Undo u;
  EXPECT_EQ(UndoPass(r.journal, u).restored, 2u);
  t.ExpectAsBefore("after undo");
}

// A file whose tags changed after the pass is left alone and named; the others go back.
TEST(Journal, AFileChangedSinceIsLeftAloneAndNamed) {
  Tree t({"06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3", "14_notag_lame_mpeg1_l3_128k.mp3", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3"});
  Quiet q;
  const PassResult r = t.Pass({}, q);
  ASSERT_EQ(r.done, 3u);
  {
    RawFile f(t.paths[1], RawFile::Mode::ReadWrite);
    ID3v1Record rec = BuildID3v1FromFields({u"手で直した", u"", u"", u"", u"", u"0"}, true);
    WriteID3v1(f, rec, true);
  }
  const std::string edited = ReadBytes(t.paths[1]);
  Undo u;
  const UndoResult undone = UndoPass(r.journal, u);
  EXPECT_EQ(undone.restored, 2u);
  EXPECT_EQ(undone.skipped, 1u);
  ASSERT_EQ(u.skippedPaths.size(), 1u);
  EXPECT_EQ(u.skippedPaths[0], t.paths[1]);
  EXPECT_EQ(ReadBytes(t.paths[1]), edited);
  EXPECT_TRUE(StateOf(t.paths[0]) == t.before[0]);
  EXPECT_TRUE(StateOf(t.paths[2]) == t.before[2]);
}

// Carried pictures are not copied: a pass over 100 files with 40 KB pictures keeps its
// journal near a kilobyte a file.
TEST(Journal, PicturesAreNotCopiedIntoTheJournal) {
  Tree t(std::vector<std::string>(100, "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3"));
  Quiet q;
  const PassResult r = t.Pass({}, q);
  ASSERT_EQ(r.done, 100u);
  struct stat st {};
  ASSERT_EQ(::stat(r.journal.c_str(), &st), 0);
  EXPECT_LT(st.st_size, 100 * 2000);
  Undo u;
  EXPECT_EQ(UndoPass(r.journal, u).restored, 100u);
  t.ExpectAsBefore("after undo");
}

// The file layer failing at each operation in turn: the journal reaches the disk before
// any file changes, so that after every failure undo gives every file back; and undo
// failing at each operation leaves each file as the pass wrote it or as it was, so that
// undo run again finishes the work.
TEST(Journal, IsOnDiskBeforeAnyFileChangesAndUndoSurvivesFailures) {
  const std::vector<std::string> kinds = {"14_notag_lame_mpeg1_l3_128k.mp3", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3",
                                          "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3"};
  for (long k = 1;; ++k) {
    SCOPED_TRACE("pass, operation " + std::to_string(k));
    Tree t(kinds);
    Quiet q;
    FaultInjection::FailAt(k, EIO);
    const PassResult r = t.Pass({}, q);
    const bool fired = FaultInjection::Fired();
    FaultInjection::Reset();
    if (!fired) break;
    EXPECT_TRUE(r.failed());
    if (r.done == 0) {
      t.ExpectAsBefore("nothing done");
    } else {
      Undo u;
      EXPECT_EQ(UndoPass(r.journal, u).skipped, 0u);
      t.ExpectAsBefore("after undo");
    }
    EXPECT_TRUE(TemporaryFilesIn(t.dir.path()).empty());
  }
  for (long k = 1;; ++k) {
    SCOPED_TRACE("conversion, operation " + std::to_string(k));
    Tree t({"12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3",
            "13_v22_handmade_mpeg1_l2_64k.mp3"});
    const std::vector<PassItem> files = ListMp3FilesBelow(t.folder);
    UnicodeSettings s;
    s.journalFolder = t.journals.path();
    s.folder = t.folder;
    Quiet q;
    FaultInjection::FailAt(k, EIO);
    const UnicodeResult r = RunUnicodeConversion(files, s, q);
    const bool fired = FaultInjection::Fired();
    FaultInjection::Reset();
    if (!fired) break;
    EXPECT_TRUE(r.failed());
    if (r.done > 0) {
      Undo u;
      EXPECT_EQ(UndoPass(r.journal, u).skipped, 0u);
    }
    t.ExpectAsBefore("after undo");
    EXPECT_TRUE(TemporaryFilesIn(t.dir.path()).empty());
  }
  for (long k = 1;; ++k) {
    SCOPED_TRACE("undo, operation " + std::to_string(k));
    Tree t(kinds);
    Quiet q;
    const PassResult r = t.Pass({}, q);
    ASSERT_EQ(r.done, kinds.size());
    Undo failing;
    FaultInjection::FailAt(k, EIO);
    try {
      UndoPass(r.journal, failing);
    } catch (const Error&) {
      // The journal itself could not be read.
    }
    const bool fired = FaultInjection::Fired();
    FaultInjection::Reset();
    EXPECT_TRUE(TemporaryFilesIn(t.dir.path()).empty());
    Undo u;
    const UndoResult again = UndoPass(r.journal, u);
    EXPECT_EQ(again.skipped, 0u);
    t.ExpectAsBefore("after the second undo");
    if (!fired) break;
  }
}

// Only the last ten journals are kept; the list is newest first.
TEST(Journal, TheLastTenPassesAreKept) {
  Tree t({"14_notag_lame_mpeg1_l3_128k.mp3"});
  for (int i = 0; i < 12; ++i) {
    Quiet q;
    ASSERT_EQ(t.Pass({}, q).done, 1u);
  }
  const std::vector<PassInfo> passes = ListPasses(t.journals.path());
  EXPECT_EQ(passes.size(), 10u);
  EXPECT_EQ(LastPass(t.journals.path())->path, passes.front().path);
}

namespace {

// A journal of one tags record for `path`, as a crafted or damaged journal might hold it:
// the folder `folder`, a record claiming the file holds `fileBytes` now and held
// `oldBytes` before (old tail empty, old head the given bytes).
std::string CraftedJournal(const std::string& folder, const std::string& path, const std::string& fileBytes,
                           const std::string& oldHead, std::uint64_t claimedHead = 0) {
  auto put = [](std::string& out, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto bytes = [&](std::string& out, const std::string& b) {
    put(out, b.size(), 4);
    out += b;
  };
  std::string p;
  bytes(p, path);
  for (int i = 0; i < 4; ++i) put(p, i % 2 ? 0 : 1, 8);  // times: 1970
  put(p, fileBytes.size() - fileBytes.size() + oldHead.size() + (fileBytes.size() - 10), 8);  // old length
  put(p, fileBytes.size(), 8);                                                                  // new length
  put(p, oldHead.size(), 8);
  put(p, claimedHead ? claimedHead : 10, 8);  // the new head: the file's first 10 bytes
  bytes(p, "");
  put(p, 0, 4);
  put(p, JournalChecksum(oldHead, ""), 8);
  put(p, JournalChecksum(fileBytes.substr(0, 10), ""), 8);
  put(p, 1, 4);
  p.push_back('\0');  // one literal segment: the old head
  bytes(p, oldHead);
  std::string j = "VQJ2";
  j.push_back(1);
  put(j, 1700000000, 8);
  put(j, 0, 8);
  bytes(j, folder);
  j.push_back('F');
  bytes(j, p);
  put(j, JournalChecksum(p), 8);
  return j;
}

}  // namespace

// A journal comes from disk: undo of a crafted one touches only regular MP3 files below
// the folder the journal names, and a record claiming a huge tag is no record.
TEST(Journal, ACraftedJournalTouchesNothingOutsideItsPassOrItsKind) {
  TempDir dir;
  const std::string text = dir / "notes.txt";
  WriteBytes(text, "0123456789 a text file");
  const std::string outside = dir / "elsewhere/a.mp3";
  WriteBytes(outside, "0123456789 an mp3 outside");
  dir.MakeDir("Band");
  for (const auto& [folder, path] : std::vector<std::pair<std::string, std::string>>{
           {dir.path(), text}, {dir / "Band", outside}, {dir / "Band", dir / "Band/../elsewhere/a.mp3"}}) {
    SCOPED_TRACE(path);
    const std::string before = ReadBytes(path);
    WriteBytes(dir / "crafted.journal", CraftedJournal(folder, path, before, "XXXXXXXXXX"));
    Undo u;
    const UndoResult r = UndoPass(dir / "crafted.journal", u);
    EXPECT_EQ(r.restored, 0u);
    EXPECT_EQ(r.skipped, 1u);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_NE(ModifiedTime(path).value_or(0), 1);
  }
  // The same record for an MP3 file below its folder is undone: the rule, not the record,
  // kept the others safe.
  const std::string inside = dir / "Band/a.mp3";
  WriteBytes(inside, "0123456789 an mp3 inside");
  WriteBytes(dir / "crafted.journal", CraftedJournal(dir / "Band", inside, ReadBytes(inside), "XXXXXXXXXX"));
  Undo u;
  EXPECT_EQ(UndoPass(dir / "crafted.journal", u).restored, 1u);
  EXPECT_EQ(ReadBytes(inside), "XXXXXXXXXX an mp3 inside");

  // A record claiming a head of 2^40 bytes ends the journal: nothing is read for it.
  WriteBytes(dir / "huge.journal", CraftedJournal(dir / "Band", inside, ReadBytes(inside), "Y", 1ull << 40));
  EXPECT_EQ(ReadPassInfo(dir / "huge.journal").files, 0u);
  EXPECT_TRUE(ReadJournal(dir / "huge.journal").records.empty());
}

// Only journals are listed and pruned: a FIFO or a text file named like a journal is
// left alone (and never waited on), and a journal is never created through a link.
TEST(Journal, OnlyJournalsAreListedAndPrunedAndNoneIsCreatedThroughALink) {
  Tree t({"14_notag_lame_mpeg1_l3_128k.mp3"});
  const std::string folder = t.journals.path();
  ASSERT_EQ(::mkfifo((folder + "/fifo.journal").c_str(), 0600), 0);
  WriteBytes(folder + "/notes.journal", "not a journal");
  ASSERT_EQ(::symlink((t.dir / "target").c_str(), (folder + "/link.journal").c_str()), 0);
  // What a pass killed while it made its journal left: hidden, never named, removed.
  WriteBytes(folder + "/.20260101-000000-1-0.journal-new", "VQJ2");
  for (int i = 0; i < 12; ++i) {
    Quiet q;
    ASSERT_EQ(t.Pass({}, q).done, 1u);
  }
  EXPECT_EQ(ListPasses(folder).size(), 10u);
  EXPECT_EQ(ReadBytes(folder + "/notes.journal"), "not a journal");
  EXPECT_FALSE(FileExists(folder + "/.20260101-000000-1-0.journal-new"));
  struct stat st {};
  EXPECT_EQ(::lstat((folder + "/fifo.journal").c_str(), &st), 0);
  EXPECT_THROW(ReadPassInfo(folder + "/fifo.journal"), Error);
  // A new file never takes a name that exists, even as a dangling link.
  try {
    CreateNewFile(folder + "/link.journal", 0600);
    ADD_FAILURE() << "created through a link";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::AlreadyExists);
  }
  EXPECT_FALSE(FileExists(t.dir / "target"));
}

// Passes started within one second are told apart by their start to the nanosecond: the
// newest is the last one started.
TEST(Journal, PassesStartedWithinOneSecondKeepTheirOrder) {
  Tree t({"14_notag_lame_mpeg1_l3_128k.mp3", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3"});
  std::vector<std::string> journals;
  for (int i = 0; i < 4; ++i) {
    Quiet q;
    BatchSettings s;
    s.v1 = i % 2 == 0;  // each pass changes the files again
    journals.push_back(t.Pass(s, q).journal);
  }
  const std::vector<PassInfo> passes = ListPasses(t.journals.path());
  ASSERT_EQ(passes.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(passes[i].path, journals[3 - i]);
}

// Undo marks its pass undone only when it put something back or found nothing left to
// put back: a pass whose files were all changed since stays offered.
TEST(Journal, ThePassIsMarkedUndoneOnlyWhenSomethingWasRestoredOrNothingWasLeft) {
  Tree t({"14_notag_lame_mpeg1_l3_128k.mp3", "01_v1only_eyed3_mpeg1_l3_128k.mp3"});
  Quiet q;
  const PassResult r = t.Pass({}, q);
  for (const std::string& path : t.paths) {
    RawFile f(path, RawFile::Mode::ReadWrite);
    WriteID3v1(f, BuildID3v1FromFields({u"手で直した", u"", u"", u"", u"", u"0"}, true), true);
  }
  Undo u;
  const UndoResult first = UndoPass(r.journal, u);
  EXPECT_EQ(first.restored, 0u);
  EXPECT_EQ(first.skipped, 2u);
  EXPECT_FALSE(ReadPassInfo(r.journal).undone);
  // The files as they were before the pass: nothing left to restore, so it is undone.
  for (std::size_t i = 0; i < t.paths.size(); ++i) WriteBytes(t.paths[i], t.before[i].bytes);
  Undo again;
  EXPECT_EQ(UndoPass(r.journal, again).skipped, 0u);
  EXPECT_TRUE(ReadPassInfo(r.journal).undone);
}
