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
