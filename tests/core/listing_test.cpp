// The main window's folder work without a window: both listing modes and the next
// sibling folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_names.h"
#include "session/listing.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "test_util.h"

using vq::ListedFile;
using vqtest::TempDir;

namespace {

std::vector<std::string> Names(const std::vector<ListedFile>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.name);
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

void SetMtime(const std::string& path, std::time_t t) {
  struct utimbuf b {t, t};
  ::utime(path.c_str(), &b);
}

}  // namespace

TEST(ListOwnFiles, Mp3InAnyCaseNoHiddenNoFoldersNoOtherFiles) {
  TempDir d;
  for (auto* n : {"X.MP3", "y.Mp3", "z.mp3", ".hidden.mp3", "notes.txt", "mp3", "a.mp3.bak"}) vqtest::MakeFile(d / n, 5);
  d.MakeDir("folder.mp3");
  d.MakeDir("sub");
  vqtest::MakeFile(d / "sub/inner.mp3", 5);
  auto rows = vq::ListOwnFiles(d.path());
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"X.MP3", "y.Mp3", "z.mp3"}));
  for (const auto& r : rows) EXPECT_EQ(r.subfolderEntry, "");
}

TEST(ListOwnFiles, DatesAndReadOnlyRows) {
  TempDir d;
  vqtest::MakeFile(d / "a.mp3", 5);
  vqtest::MakeFile(d / "b.mp3", 5);
  SetMtime(d / "a.mp3", 1000000000);
  ::chmod((d / "b.mp3").c_str(), 0444);
  auto rows = vq::ListOwnFiles(d.path());
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& r : rows) {
    if (r.name == "a.mp3") {
      EXPECT_EQ(r.modified, 1000000000);
      EXPECT_FALSE(r.readOnly);
    } else {
      EXPECT_TRUE(r.readOnly);
    }
  }
  int expectedRow = rows[0].name == "b.mp3" ? 0 : 1;
  EXPECT_EQ(vq::LastReadOnlyRow(rows), expectedRow);
}

TEST(ListOwnFiles, UnreadableFolderThrows) {
  TempDir d;
  EXPECT_THROW(vq::ListOwnFiles(d / "missing"), vq::Error);
}

TEST(ListFilesWithSubfolders, OwnFilesFirstThenEachSubfolderWithItsEntry) {
  TempDir d;
  vqtest::MakeFile(d / "own.mp3", 5);
  vqtest::MakeFile(d / "Disc 1/one.mp3", 5);
  vqtest::MakeFile(d / "Disc 1/two.MP3", 5);
  vqtest::MakeFile(d / "曲/三.mp3", 5);
  vqtest::MakeFile(d / "Disc 1/deeper/not-listed.mp3", 5);
  vqtest::MakeFile(d / ".hidden/not-listed.mp3", 5);
  d.MakeDir("empty");
  vqtest::MakeFile(d / "disc 10/ten.mp3", 5);
  vqtest::MakeFile(d / "Disc 2/2.mp3", 5);
  vqtest::MakeFile(d / "Disc 2/10.mp3", 5);
  auto rows = vq::ListFilesWithSubfolders(d.path());
  // The subfolders and each one's files in name order.
  const std::vector<std::pair<std::string, std::string>> expected{
      {"", "own.mp3"},        {"/Disc 1", "one.mp3"}, {"/Disc 1", "two.MP3"}, {"/Disc 2", "2.mp3"},
      {"/Disc 2", "10.mp3"}, {"/disc 10", "ten.mp3"}, {"/曲", "三.mp3"}};
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].subfolderEntry, expected[i].first) << i;
    EXPECT_EQ(rows[i].name, expected[i].second) << i;
    EXPECT_EQ(rows[i].subfolderName, vq::DecodeName(expected[i].first.empty() ? "" : expected[i].first.substr(1)));
  }
}

TEST(ListFilesWithSubfolders, FilesOnlyInSubfolders) {
  TempDir d;
  vqtest::MakeFile(d / "A/a.mp3", 5);
  vqtest::MakeFile(d / "B/b.mp3", 5);
  EXPECT_TRUE(vq::ListOwnFiles(d.path()).empty());
  auto rows = vq::ListFilesWithSubfolders(d.path());
  EXPECT_EQ(Sorted(Names(rows)), (std::vector<std::string>{"a.mp3", "b.mp3"}));
}

TEST(ListFilesWithSubfolders, ASubfolderThatCannotBeReadIsSkipped) {
  TempDir d;
  vqtest::MakeFile(d / "own.mp3", 5);
  vqtest::MakeFile(d / "A/a.mp3", 5);
  // List operations: 1 the subfolder names, 2 the folder's own files, 3 subfolder A.
  vq::FaultInjection::FailAt(3, EACCES, vq::FileOp::List);
  auto rows = vq::ListFilesWithSubfolders(d.path());
  vq::FaultInjection::Reset();
  EXPECT_EQ(Names(rows), std::vector<std::string>{"own.mp3"});
  EXPECT_TRUE(vq::ListFilesWithSubfolders(d / "missing").empty());
}

TEST(FolderPrefix, EntryThenSeparatorWithTheRootsDoubleSeparator) {
  EXPECT_EQ(vq::FolderPrefix("/music/Band", ""), "/music/Band/");
  EXPECT_EQ(vq::FolderPrefix("/music/Band", "/Disc 1"), "/music/Band/Disc 1/");
  EXPECT_EQ(vq::FolderPrefix("/", ""), "//");
  EXPECT_EQ(vq::FolderPrefix("/", "/a"), "//a/");
}

TEST(FindNextFolder, SiblingsSortedIgnoringCase) {
  TempDir d;
  for (auto* n : {"c", "A", "b"}) d.MakeDir(std::string("music/") + n);
  std::string music = d / "music";
  auto a = vq::FindNextFolder(music + "/A");
  EXPECT_TRUE(a.deepEnough);
  EXPECT_EQ(a.next, music + "/b");
  EXPECT_EQ(a.position, 1);
  EXPECT_EQ(a.count, 3);
  auto b = vq::FindNextFolder(music + "/b");
  EXPECT_EQ(b.next, music + "/c");
  EXPECT_EQ(b.position, 2);
  EXPECT_EQ(vq::NextFolderCaption(b.position, b.count), u"次ﾌｫﾙﾀﾞへ(2/3)");
  auto c = vq::FindNextFolder(music + "/c");
  EXPECT_TRUE(c.deepEnough);
  EXPECT_TRUE(c.next.empty());
}

TEST(FindNextFolder, NoneDirectlyBelowTheRootOrAtIt) {
  EXPECT_FALSE(vq::FindNextFolder("/tmp").deepEnough);
  EXPECT_FALSE(vq::FindNextFolder("/").deepEnough);
  EXPECT_TRUE(vq::FindNextFolder("/tmp").next.empty());
}

TEST(FindNextFolder, AParentThatCannotBeReadGivesNoNextFolder) {
  TempDir d;
  d.MakeDir("p/a");
  d.MakeDir("p/b");
  vq::FaultInjection::FailAt(1, EACCES, vq::FileOp::List);
  auto r = vq::FindNextFolder(d / "p/a");
  vq::FaultInjection::Reset();
  EXPECT_TRUE(r.next.empty());
}
