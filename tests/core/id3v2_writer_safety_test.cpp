// A write never loses a byte: the rebuild replaces the MP3 file in one rename, every
// failing file operation leaves it as it was, read-only files and tags that claim more
// than the file holds are refused before anything is touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "formats/id3v2_writer.h"
#include "id3v2_writer_support.h"

using namespace vq;
using namespace h3test;
using vqtest::ReadBytes;
using vqtest::TempDir;
using vqtest::WriteBytes;

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

struct FaultGuard {
  ~FaultGuard() { FaultInjection::Reset(); }
};

}  // namespace

TEST(V2WriterSafety, RebuildFailingAtEachFileOperationLeavesTheFileAsItWas) {
  FaultGuard guard;
  TempDir dir;
  std::string path = dir.CopyFixture("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3", "a.mp3");
  const std::string before = ReadBytes(path);
  auto back = ReadTag(path);
  const std::u16string expectedUpdate = UpdateErrorText(Utf8ToUtf16(dir.path() + "/"), u"a.mp3");

  for (int err : {EACCES, ENOSPC, EIO}) {
    long k = 1;
    for (;; ++k) {
      ASSERT_LT(k, 100) << "the failures never stop";
      // The whole rebuild, as the editor asks for it: the listing is empty, so the file is
      // rebuilt even though the tag is large enough.
      EditorCall call(dir.path(), "a.mp3", back.header.size, true);
      call.in.fieldTexts[0] = u"New title";
      for (const auto& e : back.table) {
        call.lines.push_back(e.id + u":" + e.text);
        call.sources.push_back(&e);
      }
      RecordingReporter rep;
      FaultInjection::FailAt(k, err);
      bool ok = call.Write(rep);
      bool fired = FaultInjection::Fired();
      FaultInjection::Reset();
      if (!fired) {
        // Past the last operation: the write went through.
        EXPECT_TRUE(ok);
        EXPECT_NE(ReadBytes(path), before);
        break;
      }
      EXPECT_FALSE(ok) << "errno " << err << " at " << k;
      EXPECT_EQ(ReadBytes(path), before) << "errno " << err << " at " << k;
      EXPECT_FALSE(TempLeft(dir.path())) << "errno " << err << " at " << k;
      EXPECT_EQ(call.size, back.header.size);
      if (err == EACCES) {
        EXPECT_EQ(rep.updateErrors, std::vector<std::u16string>{expectedUpdate});
      } else {
        ASSERT_EQ(rep.errors.size(), 1u);
        EXPECT_EQ(rep.errors[0], err == ENOSPC ? u"ディスクの空き容量が不足しています。" : u"入出力エラーです。");
      }
    }
    // open, read, create, write, copy, flush, owner and permissions, rename
    EXPECT_GE(k, 10) << "errno " << err;
    // Restore the file for the next errno.
    WriteBytes(path, before);
  }

  // Each kind of operation of the rebuild is among those made to fail.
  std::set<FileOp> hit;
  for (FileOp op : {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Sync, FileOp::Rename, FileOp::Chmod}) {
    WriteBytes(path, before);
    FaultInjection::FailAt(1, EIO, op);
    RecordingReporter rep;
    try {
      WriteTagFile(path, {MakeTextFrame("TIT2", u"x")}, 502, back.header.size, false, rep);
    } catch (const Error&) {
    }
    if (FaultInjection::Fired()) {
      hit.insert(op);
      EXPECT_EQ(ReadBytes(path), before);
      EXPECT_FALSE(TempLeft(dir.path()));
    }
    FaultInjection::Reset();
  }
  EXPECT_EQ(hit.size(), 6u);
}

TEST(V2WriterSafety, InPlaceFailingAtEachFileOperationLeavesTheFileAsItWas) {
  FaultGuard guard;
  TempDir dir;
  std::string path = dir.CopyFixture("09_v23_kid3cli_mpeg1_l3_128k.mp3", "a.mp3");
  const std::string before = ReadBytes(path);
  long k = 1;
  for (;; ++k) {
    ASSERT_LT(k, 50);
    RecordingReporter rep;
    FaultInjection::FailAt(k, EIO);
    bool threw = false;
    try {
      WriteBatchV2Tag(path, {MakeTextFrame("TIT2", u"x")}, 1179, rep);
    } catch (const Error& e) {
      threw = true;
      EXPECT_EQ(e.kind(), ErrorKind::Io);
    }
    bool fired = FaultInjection::Fired();
    FaultInjection::Reset();
    if (!fired) {
      EXPECT_FALSE(threw);
      break;
    }
    EXPECT_TRUE(threw);
    // The close after the one write is the only failure that comes after a change.
    if (ReadBytes(path) != before) {
      EXPECT_EQ(ReadBytes(path).substr(0, 14), std::string("ID3\x03\0\0\0\0\x09\x1BTIT2", 14));
    }
    WriteBytes(path, before);
    EXPECT_FALSE(TempLeft(dir.path()));
  }
  EXPECT_GE(k, 4);  // open, read, write, close
}

// The fixed name older versions gave every temporary file.
constexpr char kOldFixedTemporaryName[] = "~tmpmp3.tmp";

TEST(V2WriterSafety, TheMp3FileIsUntouchedUntilTheRenameAndKeepsItsPermissions) {
  TempDir dir;
  std::string path = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "a.mp3");
  const std::string before = ReadBytes(path);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  // A stale temporary file from an earlier failure, not writable, is removed.
  WriteBytes(dir / kOldFixedTemporaryName, "stale");
  ASSERT_EQ(chmod((dir / kOldFixedTemporaryName).c_str(), 0444), 0);

  RecordingReporter rep;
  bool checked = false;
  rep.onYield = [&] {
    // Between the flush and the rename: the MP3 file is still the old one, and the
    // complete new file waits beside it.
    EXPECT_EQ(ReadBytes(path), before);
    const std::vector<std::string> temps = vqtest::TemporaryFilesIn(dir.path());
    ASSERT_EQ(temps.size(), 1u);  // the stale one is gone
    std::string temp = ReadBytes(temps[0]);
    EXPECT_EQ(temp.substr(0, 3), "ID3");
    EXPECT_EQ(temp.substr(512), before);
    EXPECT_EQ(ModeOf(temps[0]), 0640u);
    checked = true;
  };
  EXPECT_EQ(WriteBatchV2Tag(path, {MakeTextFrame("TIT2", u"Title")}, 0, rep), 502);
  EXPECT_TRUE(checked);
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_FALSE(TempLeft(dir.path()));
  std::string after = ReadBytes(path);
  EXPECT_EQ(after.substr(512), before);  // E = 0: the whole old file behind the new tag
}

TEST(V2WriterSafety, TemporaryFileLinkIsRemovedNotFollowed) {
  TempDir dir;
  std::string path = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "a.mp3");
  WriteBytes(dir / "victim.txt", "keep me");
  ASSERT_EQ(symlink((dir / "victim.txt").c_str(), (dir / kOldFixedTemporaryName).c_str()), 0);
  RecordingReporter rep;
  WriteBatchV2Tag(path, {MakeTextFrame("TIT2", u"T")}, 0, rep);
  EXPECT_EQ(ReadBytes(dir / "victim.txt"), "keep me");
  EXPECT_FALSE(TempLeft(dir.path()));
}

TEST(V2WriterSafety, ReadOnlyFileFailsBeforeAnythingIsCreatedEvenForRoot) {
  FaultGuard guard;
  TempDir dir;
  std::string path = dir.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "a.mp3");
  const std::string before = ReadBytes(path);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  for (bool inPlace : {true, false}) {
    RecordingReporter rep;
    FaultInjection::Reset();
    try {
      WriteTagFile(path, {MakeTextFrame("TIT2", u"x")}, inPlace ? 339 : 502, 339, inPlace, rep);
      FAIL() << "written";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::PathFileAccess);
    }
    EXPECT_EQ(FaultInjection::Count(), 1);  // the one open, nothing after it
    EXPECT_EQ(rep.marks, 0);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(TempLeft(dir.path()));
  }
  if (geteuid() == 0) {
    // Root could write the file; the owner's write bit decides all the same.
    EditorCall call(dir.path(), "a.mp3", 339, false);
    call.in.fieldTexts[0] = u"x";
    RecordingReporter rep;
    EXPECT_FALSE(call.Write(rep));
    EXPECT_EQ(rep.updateErrors.size(), 1u);
    EXPECT_EQ(ReadBytes(path), before);
  }
}

TEST(V2WriterSafety, TagClaimingMoreThanTheFileIsNeitherWrittenNorCopied) {
  TempDir dir;
  // The header claims 5,000 bytes; the file has 1,200.
  std::string bytes = Tag(3, Frame("TIT2", std::string("\0a", 2)), 5000).substr(0, 1200);
  WriteBytes(dir / "a.mp3", bytes);
  struct Way {
    bool listingEmpty;
    std::size_t titleChars;
  };
  // In place (fits), rebuild (empty listing), rebuild (too small).
  for (Way w : {Way{false, 5}, Way{true, 5}, Way{false, 6000}}) {
    EditorCall call(dir.path(), "a.mp3", 5000, w.listingEmpty);
    call.in.fieldTexts[0] = std::u16string(w.titleChars, u'x');
    RecordingReporter rep;
    EXPECT_FALSE(call.Write(rep));
    ASSERT_EQ(rep.errors.size(), 1u);
    EXPECT_EQ(rep.errors[0], ErrorDescription(ErrorKind::TagTooLong));
    EXPECT_EQ(rep.marks, 0);
    EXPECT_EQ(call.size, 5000);
    EXPECT_EQ(ReadBytes(dir / "a.mp3"), bytes);
    EXPECT_FALSE(TempLeft(dir.path()));
  }
  RecordingReporter rep;
  for (std::size_t chars : {1, 6000}) {  // batch: in place, and a rebuild that would copy from 5,010
    try {
      WriteBatchV2Tag(dir / "a.mp3", {MakeTextFrame("TIT2", std::u16string(chars, u'x'))}, 5000, rep);
      FAIL();
    } catch (const Error& err) {
      EXPECT_EQ(err.kind(), ErrorKind::TagTooLong);
    }
  }
  EXPECT_EQ(ReadBytes(dir / "a.mp3"), bytes);
  // A tag exactly as long as the file is fine.
  WriteBytes(dir / "b.mp3", Tag(3, Frame("TIT2", std::string("\0a", 2)), 300));
  EXPECT_EQ(WriteBatchV2Tag(dir / "b.mp3", {MakeTextFrame("TIT2", u"b")}, 300, rep), 300);
  EXPECT_EQ(ReadBytes(dir / "b.mp3"), Tag(3, Frame("TIT2", std::string("\0b", 2)), 300));
}

TEST(V2WriterSafety, AFileThatChangedSinceItWasReadIsLeftAlone) {
  TempDir dir;
  std::string audio = Audio(3000);
  // The size read was 1,000, but the file now has no tag, or one of another size.
  for (std::string bytes : {audio, Tag(3, Frame("TIT2", std::string("\0a", 2)), 800) + audio}) {
    WriteBytes(dir / "a.mp3", bytes);
    for (bool listingEmpty : {false, true}) {
      EditorCall call(dir.path(), "a.mp3", 1000, listingEmpty);
      call.in.fieldTexts[0] = u"x";
      RecordingReporter rep;
      EXPECT_FALSE(call.Write(rep));
      EXPECT_EQ(rep.errors.size(), 1u);
      EXPECT_EQ(ReadBytes(dir / "a.mp3"), bytes);
      EXPECT_FALSE(TempLeft(dir.path()));
    }
  }
}

// The claimed tag must end at or before the ID3v1 record: otherwise an in-place write
// would zero the record's first bytes, and a rebuild would copy from inside it. This is
// what a file looks like after an ID3v1 record was appended to a tag that claims up to
// 128 bytes more than its file.
TEST(V2WriterSafety, ATagReachingIntoTheID3v1RecordIsRefused) {
  TempDir dir;
  const std::string audio = Audio(2000, false);
  const std::string v1 = "TAG" + std::string(124, 'v') + "\x05";
  for (std::uint32_t size : {1100u, 1000u + 10u + 64u}) {
    // The tag's bytes, then the rest of the file that it claims too.
    std::string tag = Tag(3, Frame("TIT2", std::string("\0a", 2)), 1000);
    std::string bytes = tag + audio.substr(0, 64) + v1;
    bytes.replace(6, 4, Synchsafe(size));
    SCOPED_TRACE(size);
    WriteBytes(dir / "a.mp3", bytes);
    for (bool listingEmpty : {false, true}) {
      EditorCall call(dir.path(), "a.mp3", static_cast<std::int32_t>(size), listingEmpty);
      call.in.fieldTexts[0] = u"x";
      RecordingReporter rep;
      EXPECT_FALSE(call.Write(rep));
      ASSERT_EQ(rep.errors.size(), 1u);
      EXPECT_EQ(rep.errors[0], ErrorDescription(ErrorKind::TagTooLong));
    }
    RecordingReporter rep;
    EXPECT_THROW(WriteBatchV2Tag(dir / "a.mp3", {MakeTextFrame("TIT2", u"b")}, static_cast<std::int32_t>(size), rep),
                 Error);
    EXPECT_EQ(ReadBytes(dir / "a.mp3"), bytes);
    EXPECT_FALSE(TempLeft(dir.path()));
  }
  // Ending right before the record is fine, and the record stays behind the tag.
  std::string fits = Tag(3, Frame("TIT2", std::string("\0a", 2)), 1000) + v1;
  WriteBytes(dir / "b.mp3", fits);
  RecordingReporter rep;
  EXPECT_EQ(WriteBatchV2Tag(dir / "b.mp3", {MakeTextFrame("TIT2", u"b")}, 1000, rep), 1000);
  EXPECT_EQ(ReadBytes(dir / "b.mp3").substr(1010), v1);
}

// Whatever was recorded when the file was read, the write goes by the header the file
// has now: a tag nobody read is neither overwritten nor pushed behind a new one.
TEST(V2WriterSafety, TheHeaderAsItIsNowDecides) {
  TempDir dir;
  const std::string audio = Audio(3000);
  RecordingReporter rep;
  // Recorded "no tag", but the file begins with one: refused, file untouched.
  const std::string tagged = Tag(3, Frame("TIT2", std::string("\0a", 2)), 500) + audio;
  WriteBytes(dir / "a.mp3", tagged);
  EXPECT_THROW(WriteBatchV2Tag(dir / "a.mp3", {MakeTextFrame("TIT2", u"b")}, 0, rep), Error);
  EXPECT_EQ(ReadBytes(dir / "a.mp3"), tagged);
  // A header that claims more than the file, on a file too short to be read at all.
  const std::string broken = std::string("ID3\x03\x00\x00\x00\x00\x09\x2D", 10) + std::string(117, '\xAA');
  WriteBytes(dir / "short.mp3", broken);
  EditorCall call(dir.path(), "short.mp3", 0, true);
  call.in.fieldTexts[0] = u"x";
  EXPECT_FALSE(call.Write(rep));
  ASSERT_FALSE(rep.errors.empty());
  EXPECT_EQ(rep.errors.back(), ErrorDescription(ErrorKind::TagTooLong));
  EXPECT_EQ(ReadBytes(dir / "short.mp3"), broken);
  // An empty tag ("ID3" with size 0) counts as none and is replaced, not kept in front
  // of the audio as a second header.
  WriteBytes(dir / "empty.mp3", std::string("ID3\x03\x00\x00\x00\x00\x00\x00", 10) + audio);
  EXPECT_EQ(WriteBatchV2Tag(dir / "empty.mp3", {MakeTextFrame("TIT2", u"b")}, 0, rep), 502);
  EXPECT_EQ(ReadBytes(dir / "empty.mp3").substr(512), audio);
  EXPECT_FALSE(TempLeft(dir.path()));
}
