// A batch pass over several files with the file layer failing at the k-th operation,
// for every k and each kind of failure: every file ends either exactly as before or
// completely tagged with its audio unchanged, no temporary file stays, and the failure
// reaches the user once, as the message the program gives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "formats/file_summary.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/messages.h"
#include "id3v2_writer_support.h"
#include "pass_recorder.h"
#include "test_util.h"

using namespace vq;
using vqtest::AudioOf;
namespace fs = std::filesystem;

namespace {

using Recorder = vqtest::PassRecorder;

struct Fixture {
  vqtest::TempDir dir;
  BatchList list;
  std::vector<std::string> paths, originals;
  std::vector<std::string> expectedTitles;

  Fixture() {
    list.folder = dir.path() + "/Band";
    // A file that is rebuilt, one written in place, one with both tags.
    Add("Disc", "14_notag_lame_mpeg1_l3_128k.mp3", "one.mp3");
    Add("Disc", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "two.mp3");
    Add("", "11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "three.mp3");
  }
  void Add(const std::string& sub, const std::string& fixture, const std::string& name) {
    std::string p = dir.CopyFixture(fixture, "Band" + (sub.empty() ? "" : "/" + sub) + "/" + name);
    list.rows.push_back(MakeRow(sub.empty() ? "" : "/" + sub, name));
    paths.push_back(p);
    originals.push_back(vqtest::ReadBytes(p));
    expectedTitles.push_back(name.substr(0, name.size() - 4));
  }
  bool AnyTempFile() const { return !vqtest::TemporaryFilesIn(dir.path()).empty(); }
};

}  // namespace

TEST(BatchFaults, EachFailingOperationLeavesEveryFileWholeAndIsReportedOnce) {
  const int kinds[] = {EACCES, ENOSPC, EIO, EROFS};
  for (int err : kinds) {
    long k = 1;
    for (;; ++k) {
      SCOPED_TRACE("errno " + std::to_string(err) + ", operation " + std::to_string(k));
      Fixture fx;
      Recorder rec;
      FaultInjection::FailAt(k, err);
      PassResult r = RunBatch(fx.list, BatchSettings{}, rec);
      bool fired = FaultInjection::Fired();
      FaultInjection::Reset();
      if (!fired) {
        EXPECT_FALSE(r.failed());
        EXPECT_EQ(r.done, 3u);
        break;
      }
      EXPECT_TRUE(r.failed());
      // Reported once: the update error with the row's folder for access failures,
      // else the description.
      if (KindFromErrno(err) == ErrorKind::PathFileAccess) {
        ASSERT_EQ(rec.updateErrors.size(), 1u);
        EXPECT_TRUE(rec.errors.empty());
        std::u16string failed = rec.updateErrors[0];
        bool named = false;
        for (std::size_t i = 0; i < fx.paths.size(); ++i)
          named |= failed == Utf8ToUtf16(FolderPrefix(fx.list.folder, fx.list.rows[i].subfolderEntry)) + u"|" +
                                 Utf8ToUtf16(fx.list.rows[i].name);
        EXPECT_TRUE(named) << Utf16ToUtf8(failed);
      } else {
        ASSERT_EQ(rec.errors.size(), 1u);
        EXPECT_TRUE(rec.updateErrors.empty());
        bool named = false;
        for (std::size_t i = 0; i < fx.paths.size(); ++i)
          named |= rec.errors[0] == NamedErrorText(ErrorDescription(KindFromErrno(err)),
                                                   Utf8ToUtf16(FolderPrefix(fx.list.folder, fx.list.rows[i].subfolderEntry)),
                                                   Utf8ToUtf16(fx.list.rows[i].name));
        EXPECT_TRUE(named) << Utf16ToUtf8(rec.errors[0]);
      }
      EXPECT_FALSE(fx.AnyTempFile());
      for (std::size_t i = 0; i < fx.paths.size(); ++i) {
        std::string now = vqtest::ReadBytes(fx.paths[i]);
        if (i < r.done) {
          // Done before the failure: completely tagged.
          EXPECT_TRUE(AudioOf(now) == AudioOf(fx.originals[i])) << "audio of file " << i;
          FileSummary s = ReadFileSummary(fx.paths[i], std::nullopt);
          EXPECT_EQ(Utf16ToUtf8(s.v1->title), fx.expectedTitles[i]);
        } else {
          // The failing file and the ones after it: exactly as before.
          EXPECT_TRUE(now == fx.originals[i]) << "file " << i << " changed";
        }
      }
      // The program keeps working: a pass without failures now tags every file.
      Recorder again;
      PassResult r2 = RunBatch(fx.list, BatchSettings{}, again);
      EXPECT_EQ(r2.done, 3u);
      EXPECT_TRUE(again.errors.empty() && again.updateErrors.empty())
          << Utf16ToUtf8(again.errors.empty() ? (again.updateErrors.empty() ? u"" : again.updateErrors[0]) : again.errors[0]);
      for (std::size_t i = 0; i < fx.paths.size(); ++i)
        EXPECT_TRUE(AudioOf(vqtest::ReadBytes(fx.paths[i])) == AudioOf(fx.originals[i]));
    }
    EXPECT_GT(k, 10) << "the sweep should reach every file's operations";
  }
}

// (A folder that cannot be written fails the temporary file's creation with EACCES or
// EROFS: the sweep above makes every open fail that way in turn.)
TEST(BatchFaults, AFileDeletedSinceTheListingStopsThePassThere) {
  Fixture fx;
  fs::remove(fx.paths[1]);
  Recorder rec;
  PassResult r = RunBatch(fx.list, BatchSettings{}, rec);
  EXPECT_EQ(r.done, 1u);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0], NamedErrorText(ErrorDescription(ErrorKind::FileNotFound),
                                          Utf8ToUtf16(FolderPrefix(fx.list.folder, fx.list.rows[1].subfolderEntry)),
                                          Utf8ToUtf16(fx.list.rows[1].name)));
  EXPECT_EQ(vqtest::ReadBytes(fx.paths[2]), fx.originals[2]);

}

// A tag that claims more than its file (here 64 bytes more) passes a check against the
// file's length once the ID3v1 step has appended 128 bytes. The pass refuses it before
// either step, so the file keeps every byte, whichever operation fails meanwhile.
TEST(BatchFaults, ATagClaimingMoreThanItsFileIsNeverWrittenWhateverFails) {
  std::string claims = std::string("ID3\x03\x00\x00", 6) + h3test::Synchsafe(4078) + "TIT2" + std::string("\0\0\0\x02\0\0\0a", 8);
  claims.resize(4024, '\xAA');
  for (int err : {EACCES, ENOSPC, EIO}) {
    for (long k = 1;; ++k) {
      SCOPED_TRACE("errno " + std::to_string(err) + ", operation " + std::to_string(k));
      vqtest::TempDir dir;
      BatchList list;
      list.folder = dir.path() + "/Band";
      dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Band/Disc/one.mp3");
      vqtest::WriteBytes(dir / "Band/Disc/claims.mp3", claims);
      list.rows = {MakeRow("/Disc", "one.mp3"), MakeRow("/Disc", "claims.mp3")};
      Recorder rec;
      FaultInjection::FailAt(k, err);
      PassResult r = RunBatch(list, BatchSettings{}, rec);
      const bool fired = FaultInjection::Fired();
      FaultInjection::Reset();
      EXPECT_EQ(vqtest::ReadBytes(dir / "Band/Disc/claims.mp3"), claims);
      EXPECT_TRUE(r.failed());
      EXPECT_EQ(rec.errors.size() + rec.updateErrors.size(), 1u);
      if (!fired) {
        EXPECT_EQ(r.done, 1u);
        ASSERT_EQ(rec.errors.size(), 1u);
        EXPECT_EQ(rec.errors[0], NamedErrorText(ErrorDescription(ErrorKind::TagTooLong),
                                                Utf8ToUtf16(dir / "Band/Disc/"), u"claims.mp3"));
        break;
      }
    }
  }
}
