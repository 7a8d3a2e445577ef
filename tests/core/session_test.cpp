// The state the windows share, without a window: paths of the rows in both modes, the
// texts they are shown with, the selected file's tags and the date to keep.
#include <gtest/gtest.h>

#include "formats/file_summary.h"
#include "session/session.h"
#include "test_util.h"

using vq::MakeRow;
using vq::Session;

namespace {

Session TwoRows() {
  Session s;
  s.folder = "/music/\x83\x65";  // a folder named in Shift-JIS bytes
  s.rows = {MakeRow("", "own.mp3", 1000), MakeRow("/Disc 1", "\x8B\xC8.mp3", 0)};
  return s;
}

}  // namespace

TEST(Session, RowPathsFollowTheNamingMode) {
  Session s = TwoRows();
  EXPECT_EQ(s.FolderPrefix(0), "/music/\x83\x65/");
  EXPECT_EQ(s.FilePath(1), "/music/\x83\x65/Disc 1/\x8B\xC8.mp3");
  EXPECT_EQ(s.ShownFolderPrefix(1), u"/music/テ/Disc 1/");
  EXPECT_EQ(s.ShownFileName(1), u"曲.mp3");
  EXPECT_EQ(s.ShownFolderName(), u"テ");
  // In file-name mode no subfolder entry is used.
  s.fileNameMode = true;
  EXPECT_EQ(s.FilePath(1), "/music/\x83\x65/\x8B\xC8.mp3");
  // A row the list does not have has no path.
  EXPECT_EQ(s.FilePath(2), "");
  EXPECT_EQ(s.FilePath(-1), "");
  EXPECT_EQ(s.Row(2), nullptr);
  s.folder = "/";
  EXPECT_EQ(s.FolderPrefix(0), "//");
}

TEST(Session, TheSelectedFilesTagsComeFromItsSummary) {
  Session s = TwoRows();
  vqtest::TempDir dir;
  vq::V2FrameEntry old;
  old.id = u"TIT2";
  old.fullText = u"old";
  s.v2Frames = {old};
  s.hasV1 = true;
  s.v2TagSize = 5;
  vq::FileSummary summary = vq::ReadFileSummary(dir.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "a.mp3"),
                                                std::nullopt);
  const std::u16string listing = summary.FrameListing();
  s.TakeSummary(summary);
  EXPECT_EQ(s.v2TagSize, summary.v2TagSize);
  EXPECT_EQ(s.FrameListing(), listing);
  EXPECT_TRUE(s.hasV1);
  EXPECT_GT(s.v2Frames.size(), 1u);

  vq::FileSummary plain = vq::ReadFileSummary(dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "b.mp3"), std::nullopt);
  s.TakeSummary(plain);
  EXPECT_EQ(s.v2TagSize, 0);
  EXPECT_TRUE(s.FrameListing().empty());
  EXPECT_FALSE(s.hasV1);
  EXPECT_TRUE(s.v2Frames.empty());
}

TEST(Session, TheDateToKeepNeedsTheBoxAndARecordedDate) {
  Session s = TwoRows();
  EXPECT_EQ(s.DateToKeep(0), 0);
  s.keepDate = true;
  EXPECT_EQ(s.DateToKeep(0), 1000);
  EXPECT_EQ(s.DateToKeep(1), 0);  // its date could not be read
  EXPECT_EQ(s.DateToKeep(5), 0);
}
