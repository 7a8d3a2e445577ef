// Where the program finds its reference text: beside the program (the build), else in
// the share folder of the prefix it is installed into.
#include <gtest/gtest.h>

#include "platform/app_paths.h"
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
