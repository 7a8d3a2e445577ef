// The pass engine as every pass meets it: a file reported only once it is written, a
// file held by another writer reported at once, a file the pass holds under two names,
// a conversion that goes past a file it cannot read.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "passes/to_unicode.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/listing.h"
#include "pass_recorder.h"
#include "test_util.h"

using namespace vq;
using vqtest::PassRecorder;
using vqtest::ReadBytes;
using vqtest::TempDir;

namespace {

constexpr char kShiftJisTag[] = "12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3";  // a text the conversion rewrites
constexpr char kInPlace[] = "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3";         // a tag with room to spare

// A tag that claims more bytes than its file has.
std::string ClaimingTooMuch() {
  std::string bytes = std::string("ID3\x03\x00\x00", 6) + std::string("\x00\x00\x7F\x7F", 4);
  bytes.resize(2000, '\xAA');
  return bytes;
}

}  // namespace

// A file whose write fails is not reported as written: the observer hears "changed" only
// of files whose new bytes are on disk.
TEST(PassEngine, AFileIsReportedOnlyOnceItIsWritten) {
  TempDir dir;
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) dir.CopyFixture(kShiftJisTag, std::string("Band/") + name);
  const std::vector<PassItem> files = ListMp3FilesBelow(dir / "Band");
  PassRecorder rec;
  // The second file's tag write fails (no journal: each file is written as it comes).
  FaultInjection::FailAt(2, EIO, FileOp::Write);
  const UnicodeResult r = RunUnicodeConversion(files, UnicodeSettings{}, rec);
  FaultInjection::Reset();
  EXPECT_EQ(rec.changed, std::vector<std::size_t>({0}));
  ASSERT_EQ(rec.failedPaths, std::vector<std::string>({dir / "Band/b.mp3"}));
  EXPECT_EQ(r.converted, 1u);
  EXPECT_EQ(ReadBytes(dir / "Band/b.mp3"), ReadBytes(vqtest::DataPath(kShiftJisTag)));
}

// A file another process is writing (it holds the file's lock) fails at once, as in
// use, by its name: no wait, and never blamed on a read-only attribute.
TEST(PassEngine, AFileAnotherWriterHoldsIsReportedAtOnceAsInUse) {
  TempDir dir;
  dir.CopyFixture(kInPlace, "Band/Disc/1.mp3");
  const std::string held = dir.CopyFixture(kInPlace, "Band/Disc/2.mp3");
  const std::string before = ReadBytes(held);
  const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);  // another open file: another writer's lock
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  PassRecorder rec;
  const PassResult r = RunBatch(dir / "Band", ListFilesWithSubfolders(dir / "Band"), BatchSettings{}, rec);
  ::close(fd);
  EXPECT_EQ(r.done, 1u);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0], NamedErrorText(ErrorDescription(ErrorKind::InUse), Utf8ToUtf16(dir / "Band/Disc/"), u"2.mp3"));
  EXPECT_TRUE(rec.updateErrors.empty());
  EXPECT_EQ(ReadBytes(held), before);
}

// The same file under two names in one pass (a link beside its file): the pass writes it
// before it opens it again, instead of waiting for its own lock.
TEST(PassEngine, AFileThePassHoldsUnderAnotherNameIsWrittenFirst) {
  TempDir dir;
  const std::string file = dir.CopyFixture(kShiftJisTag, "Band/a.mp3");
  ASSERT_EQ(::symlink("a.mp3", (dir / "Band/b.mp3").c_str()), 0);
  ASSERT_EQ(::link(file.c_str(), (dir / "Band/c.mp3").c_str()), 0);
  UnicodeSettings settings;
  settings.journalFolder = dir / "journals";  // the files wait in a group
  PassRecorder rec;
  const UnicodeResult r = RunUnicodeConversion(ListMp3FilesBelow(dir / "Band"), settings, rec);
  EXPECT_FALSE(r.failed()) << Utf16ToUtf8(rec.Failures()[0]);
  EXPECT_EQ(r.converted, 1u);  // the other two names find it converted
  EXPECT_EQ(r.unchanged, 2u);

  TempDir batch;
  const std::string song = batch.CopyFixture(kInPlace, "Band/Disc/a.mp3");
  ASSERT_EQ(::link(song.c_str(), (batch / "Band/Disc/b.mp3").c_str()), 0);
  BatchSettings s;
  s.journalFolder = batch / "journals";
  PassRecorder rec2;
  const PassResult r2 = RunBatch(batch / "Band", ListFilesWithSubfolders(batch / "Band"), s, rec2);
  EXPECT_FALSE(r2.failed());
  EXPECT_EQ(r2.done, 2u);
}

// A file the conversion cannot read is reported by name and the conversion goes on, in
// the preview and in the run; a file it cannot write still ends it.
TEST(PassEngine, TheConversionGoesPastAFileItCannotRead) {
  for (bool write : {false, true}) {
    SCOPED_TRACE(write ? "run" : "preview");
    TempDir dir;
    dir.CopyFixture(kShiftJisTag, "Band/1.mp3");
    vqtest::WriteBytes(dir / "Band/2.mp3", ClaimingTooMuch());
    dir.CopyFixture(kShiftJisTag, "Band/3.mp3");
    UnicodeSettings settings;
    settings.write = write;
    PassRecorder rec;
    const UnicodeResult r = RunUnicodeConversion(ListMp3FilesBelow(dir / "Band"), settings, rec);
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0],
              NamedErrorText(ErrorDescription(ErrorKind::TagTooLong), Utf8ToUtf16(dir / "Band/"), u"2.mp3"));
    EXPECT_EQ(r.converted, 2u);
    EXPECT_EQ(r.done, 3u);
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(ReadBytes(dir / "Band/2.mp3"), ClaimingTooMuch());
  }
}

// Asked to stop, a pass ends before its next file: the files done are whole, the rest
// untouched, and every file reported was written.
TEST(PassEngine, AStopEndsThePassBeforeTheNextFile) {
  TempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 6; ++i) paths.push_back(dir.CopyFixture(kShiftJisTag, "Band/" + std::to_string(i) + ".mp3"));
  UnicodeSettings settings;
  settings.journalFolder = dir / "journals";
  PassRecorder rec;
  rec.stopAfter = 2;
  const UnicodeResult r = RunUnicodeConversion(ListMp3FilesBelow(dir / "Band"), settings, rec);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.done, 2u);
  EXPECT_EQ(rec.changed, std::vector<std::size_t>({0, 1}));
  const std::string original = ReadBytes(vqtest::DataPath(kShiftJisTag));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ReadBytes(paths[static_cast<std::size_t>(i)]) == original, i >= 2) << i;
  EXPECT_TRUE(vqtest::TemporaryFilesIn(dir.path()).empty());
}
