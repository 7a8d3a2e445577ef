// Where the program finds its reference text: beside the program (the build), else in
// the share folder of the prefix it is installed into.
#include <gtest/gtest.h>

#include "platform/app_paths.h"
#include <filesystem>

#include "test_util.h"

namespace {

enum class Entry { None, File, Folder };

// A prefix in a temporary folder: prefix/bin holds the program, prefix/share/velquist
// its files.
struct Layout {
  const char* name;
  Entry beside;  // prefix/bin/id3 tag.txt
  Entry share;   // prefix/share/velquist/id3 tag.txt
  bool expectShare;
};

void Make(const vqtest::TempDir& dir, const std::string& rel, Entry entry) {
  if (entry == Entry::File) vqtest::WriteBytes(dir / rel, "\x83\x5E\x83\x4F\r\n");
  if (entry == Entry::Folder) dir.MakeDir(rel);
}

}  // namespace

TEST(ReferenceTextPath, BesideTheProgramFirstThenTheShareFolder) {
  const Layout layouts[] = {
      {"neither", Entry::None, Entry::None, false},
      {"beside only", Entry::File, Entry::None, false},
      {"share only", Entry::None, Entry::File, true},
      {"both", Entry::File, Entry::File, false},
      {"a folder beside, a file in share", Entry::Folder, Entry::File, true},
      {"a folder in share", Entry::None, Entry::Folder, false},
  };
  for (const auto& l : layouts) {
    SCOPED_TRACE(l.name);
    vqtest::TempDir dir;
    std::string bin = dir.MakeDir("prefix/bin");
    Make(dir, "prefix/bin/id3 tag.txt", l.beside);
    Make(dir, "prefix/share/velquist/id3 tag.txt", l.share);
    std::string expected =
        l.expectShare ? bin + "/../share/velquist/id3 tag.txt" : bin + "/id3 tag.txt";
    EXPECT_EQ(vq::ReferenceTextPath(bin), expected);
  }
}

TEST(ReferenceTextPath, FolderWithATrailingSlashGivesTheSamePaths) {
  vqtest::TempDir dir;
  std::string bin = dir.MakeDir("prefix/bin");
  EXPECT_EQ(vq::ReferenceTextPath(bin + "/"), bin + "/id3 tag.txt");
  Make(dir, "prefix/share/velquist/id3 tag.txt", Entry::File);
  EXPECT_EQ(vq::ReferenceTextPath(bin + "/"), bin + "/../share/velquist/id3 tag.txt");
}

TEST(ReferenceTextPath, PrefixNamesAreKeptAsBytes) {
  // A prefix whose name is not UTF-8 (code page 932 bytes) and holds a space: the path
  // found is the file itself, byte for byte.
  vqtest::TempDir dir;
  const std::string prefix = "\x83\x7E\x83\x85 \x81\x5B\xFF";
  std::string bin = dir.MakeDir(prefix + "/bin");
  const std::string contents = "\x81\x79ID3\x81\x7A\r\n";
  vqtest::WriteBytes(dir / (prefix + "/share/velquist/id3 tag.txt"), contents);
  std::string found = vq::ReferenceTextPath(bin);
  EXPECT_EQ(found, bin + "/../share/velquist/id3 tag.txt");
  EXPECT_EQ(vqtest::ReadBytes(found), contents);
}

// A program the user may write beside keeps "Path.dat" there, as it always has; an
// installed one reads and writes the user's own file, and a file beside it still wins
// on reading.
TEST(SettingsPath, BesideAWritableProgramElseTheUsersOwn) {
  vqtest::TempDir dir;
  const std::string bin = dir.MakeDir("prefix/bin");
  vqtest::ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
  const std::string user = dir / "config/velquist/Path.dat";
  EXPECT_EQ(vq::UserSettingsPath(), user);

  // Writable: beside the program, and nothing else is read.
  EXPECT_EQ(vq::SettingsToRead(bin), "");
  EXPECT_EQ(vq::SettingsToWrite(bin), bin + "/Path.dat");
  vqtest::WriteBytes(user, "0\r\n");
  EXPECT_EQ(vq::SettingsToRead(bin), "");

  vqtest::ReadOnlyFolder readOnly(bin);
  if (!readOnly.mounted()) GTEST_SKIP() << "a read-only bind mount needs root";
  EXPECT_EQ(vq::SettingsToRead(bin), user);
  std::filesystem::remove_all(dir / "config");
  EXPECT_EQ(vq::SettingsToRead(bin), "");
  // Writing creates the user's folder.
  EXPECT_EQ(vq::SettingsToWrite(bin), user);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "config/velquist"));
}

TEST(SettingsPath, WithoutXdgConfigHomeTheHomeFoldersConfig) {
  vqtest::TempDir dir;
  vqtest::ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  vqtest::ScopedEnv home("HOME", dir.path().c_str());
  EXPECT_EQ(vq::UserSettingsPath(), dir / ".config/velquist/Path.dat");
}

// A first run never starts in the folder it was started from: the folder ./run names,
// else the user's music folder, else the home folder.
TEST(FirstRunFolder, NamedFolderThenMusicThenHome) {
  vqtest::TempDir dir;
  vqtest::ScopedEnv home("HOME", dir.path().c_str());
  vqtest::ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
  vqtest::ScopedEnv first("VELQUIST_FIRST_FOLDER", nullptr);
  EXPECT_EQ(vq::FirstRunFolder(), dir.path());

  const std::string music = dir.MakeDir("Musik");
  vqtest::WriteBytes(dir / "config/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
  if (::system("command -v xdg-user-dir >/dev/null") == 0) EXPECT_EQ(vq::FirstRunFolder(), music);

  const std::string samples = dir.MakeDir("samples/artist");
  vqtest::ScopedEnv named("VELQUIST_FIRST_FOLDER", (samples + "/").c_str());
  EXPECT_EQ(vq::FirstRunFolder(), samples);
  vqtest::ScopedEnv missing("VELQUIST_FIRST_FOLDER", (dir / "missing").c_str());
  EXPECT_NE(vq::FirstRunFolder(), dir / "missing");
}
