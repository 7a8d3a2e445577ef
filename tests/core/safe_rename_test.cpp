// Renames that never replace a file, case-only renames, folders made and removed: on a
// real tmpfs and on a real FAT file system (fat_image.h), where the machine allows it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <functional>
#include <optional>
#include <set>

#include "fat_image.h"
#include "platform/fileio.h"
#include "platform/safe_rename.h"
#include "platform/text.h"
#include "test_util.h"

namespace fs = std::filesystem;
using vq::Error;
using vq::ErrorKind;
using vq::FaultInjection;
using vq::FileOp;
using vqtest::ReadBytes;
using vqtest::WriteBytes;

namespace {

// Every name in a folder, hidden ones too.
std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
  return out;
}

ErrorKind KindOfRename(const std::string& from, const std::string& to) {
  try {
    vq::RenameNoReplace(from, to);
  } catch (const Error& e) {
    return e.kind();
  }
  ADD_FAILURE() << "renamed " << from << " to " << to;
  return ErrorKind::Io;
}

// The file systems the tests run on: a tmpfs of its own, and a FAT image.
class OnFileSystem : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    FaultInjection::Reset();
    if (GetParam() == "tmpfs") {
      tmpfs_ = std::make_unique<vqtest::SmallTmpfs>(std::size_t{64} << 20);
      if (!tmpfs_->mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
      root_ = tmpfs_->path();
    } else {
      fat_ = std::make_unique<vqtest::FatImage>();
      if (!fat_->mounted()) GTEST_SKIP() << fat_->reason();
      root_ = fat_->path();
    }
  }
  void TearDown() override { FaultInjection::Reset(); }
  std::string At(const std::string& rel) const { return root_ + "/" + rel; }
  bool OnFat() const { return GetParam() == "fat"; }

  std::unique_ptr<vqtest::SmallTmpfs> tmpfs_;
  std::unique_ptr<vqtest::FatImage> fat_;
  std::string root_;
};

INSTANTIATE_TEST_SUITE_P(RenamePrimitives, OnFileSystem, ::testing::Values("tmpfs", "fat"),
                         [](const auto& info) { return info.param; });

TEST_P(OnFileSystem, RenamesAndNeverReplacesWhatIsThere) {
  WriteBytes(At("a.mp3"), "audio a");
  vq::RenameNoReplace(At("a.mp3"), At("b.mp3"));
  EXPECT_EQ(Names(root_), (std::set<std::string>{"b.mp3"}));
  EXPECT_EQ(ReadBytes(At("b.mp3")), "audio a");

  struct Taken {
    const char* what;
    std::string name;
    std::function<void(const std::string&)> make;
    bool needsLinks;
  } cases[] = {
      {"a file", "file.mp3", [](const std::string& p) { WriteBytes(p, "other"); }, false},
      {"the same name in other letters", "FILE2.MP3", [](const std::string& p) { WriteBytes(p, "other"); }, false},
      {"a folder", "folder.mp3", [](const std::string& p) { fs::create_directory(p); }, false},
      {"a dangling symbolic link", "link.mp3", [](const std::string& p) { fs::create_symlink("nowhere", p); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needsLinks && OnFat()) continue;  // FAT has no symbolic links
    c.make(At(c.name));
    std::string to = At(c.name);
    if (c.name == "FILE2.MP3" && !OnFat()) continue;  // a different name on tmpfs
    if (c.name == "FILE2.MP3") to = At("file2.mp3");
    EXPECT_EQ(KindOfRename(At("b.mp3"), to), ErrorKind::NameTaken);
    EXPECT_EQ(ReadBytes(At("b.mp3")), "audio a");
  }
  if (!OnFat()) EXPECT_FALSE(fs::exists(At("nowhere")));  // the link was not followed
}

TEST_P(OnFileSystem, NameThatDiffersOnlyInCase) {
  WriteBytes(At("song.mp3"), "audio");
  vq::RenameNoReplace(At("song.mp3"), At("Song.mp3"));
  EXPECT_EQ(Names(root_), (std::set<std::string>{"Song.mp3"}));
  EXPECT_EQ(ReadBytes(At("Song.mp3")), "audio");
  EXPECT_EQ(vq::SameEntryIgnoringCase(At("Song.mp3"), At("SONG.mp3")), OnFat());
  if (!OnFat()) {
    // Two files on a file system that tells them apart: the other one is never replaced.
    WriteBytes(At("SONG.mp3"), "other");
    EXPECT_EQ(KindOfRename(At("Song.mp3"), At("SONG.mp3")), ErrorKind::NameTaken);
    EXPECT_EQ(ReadBytes(At("SONG.mp3")), "other");
  }
}

TEST_P(OnFileSystem, FoldersMadeAsNeededAndRemovedOnlyWhenEmpty) {
  const auto made = vq::MakeFolders(At("Artist/Album/Disc 1"));
  EXPECT_EQ(made, (std::vector<std::string>{At("Artist"), At("Artist/Album"), At("Artist/Album/Disc 1")}));
  EXPECT_TRUE(vq::MakeFolders(At("Artist/Album")).empty());
  WriteBytes(At("Artist/Album/keep.jpg"), "picture");
  EXPECT_TRUE(vq::RemoveEmptyFolder(At("Artist/Album/Disc 1")));
  EXPECT_FALSE(vq::RemoveEmptyFolder(At("Artist/Album")));
  EXPECT_EQ(ReadBytes(At("Artist/Album/keep.jpg")), "picture");
  EXPECT_FALSE(vq::RemoveEmptyFolder(At("Artist/Album/Disc 1")));  // gone already

  // A failure part of the way: the folders made before it are removed again.
  FaultInjection::FailAt(2, EIO, FileOp::MakeFolder);
  try {
    vq::MakeFolders(At("New/Sub/Deep"));
    ADD_FAILURE() << "the failure was not reported";
  } catch (const Error&) {
  }
  FaultInjection::Reset();
  // A file where a folder is to be.
  WriteBytes(At("plain"), "x");
  try {
    vq::MakeFolders(At("plain/inner"));
    ADD_FAILURE() << "made a folder inside a file";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::NameTaken);
  }
  EXPECT_FALSE(fs::exists(At("New")));
}

// A failure at any step: the file keeps exactly one name, the old or the new one, with
// its bytes; for a case-only rename whose way back failed too, the intermediate name
// that the error names.
TEST_P(OnFileSystem, FaultAtEachStepLeavesTheFileUnderOneName) {
  struct Case {
    const char* what;
    std::string from, to;
  } cases[] = {
      {"plain rename", "a.mp3", "b.mp3"},
      {"case only", "a.mp3", "A.mp3"},
  };
  for (const auto& c : cases) {
    for (long k = 1;; ++k) {
      SCOPED_TRACE(std::string(c.what) + ", failure at operation " + std::to_string(k));
      fs::remove_all(At("f"));
      fs::create_directory(At("f"));
      WriteBytes(At("f/" + c.from), "audio");
      FaultInjection::FailAt(k, EIO);
      std::u16string said;
      try {
        vq::RenameNoReplace(At("f/" + c.from), At("f/" + c.to));
      } catch (const Error& e) {
        said = e.description();
      }
      const bool fired = FaultInjection::Fired();
      FaultInjection::Reset();
      const auto names = Names(At("f"));
      ASSERT_EQ(names.size(), 1u);
      const std::string name = *names.begin();
      EXPECT_EQ(ReadBytes(At("f/" + name)), "audio");
      if (!fired) {
        EXPECT_EQ(name, c.to);
        break;
      }
      if (name != c.from) EXPECT_NE(said.find(vq::Utf8ToUtf16(name)), std::u16string::npos) << name;
    }
  }
}

// Where the file system does not know RENAME_NOREPLACE (EINVAL): a regular file by a
// hard link, a symbolic link through a claimed name; neither ever replaces.
TEST(RenameFallbacks, WithoutTheNoReplaceFlag) {
  vqtest::SmallTmpfs tmpfs(std::size_t{16} << 20);
  if (!tmpfs.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
  const std::string a = tmpfs / "a.mp3", b = tmpfs / "b.mp3", taken = tmpfs / "taken.mp3";
  WriteBytes(a, "audio");
  WriteBytes(taken, "other");

  FaultInjection::FailAt(1, EINVAL, FileOp::Rename);
  vq::RenameNoReplace(a, b);
  EXPECT_TRUE(FaultInjection::Fired());
  EXPECT_EQ(Names(tmpfs.path()), (std::set<std::string>{"b.mp3", "taken.mp3"}));
  struct stat st {};
  ASSERT_EQ(::stat(b.c_str(), &st), 0);
  EXPECT_EQ(st.st_nlink, 1u);

  FaultInjection::FailAt(1, EINVAL, FileOp::Rename);
  EXPECT_EQ(KindOfRename(b, taken), ErrorKind::NameTaken);
  EXPECT_EQ(ReadBytes(taken), "other");

  // A symbolic link is renamed over a claimed name, never followed.
  fs::create_symlink("b.mp3", tmpfs / "link.mp3");
  FaultInjection::FailAt(1, EINVAL, FileOp::Rename);
  vq::RenameNoReplace(tmpfs / "link.mp3", tmpfs / "moved.mp3");
  EXPECT_TRUE(fs::is_symlink(tmpfs / "moved.mp3"));
  EXPECT_EQ(ReadBytes(tmpfs / "moved.mp3"), "audio");
  FaultInjection::FailAt(1, EINVAL, FileOp::Rename);
  EXPECT_EQ(KindOfRename(tmpfs / "moved.mp3", taken), ErrorKind::NameTaken);
  EXPECT_EQ(Names(tmpfs.path()), (std::set<std::string>{"b.mp3", "moved.mp3", "taken.mp3"}));
  FaultInjection::Reset();
}

}  // namespace
