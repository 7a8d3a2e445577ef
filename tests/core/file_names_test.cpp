// File and folder names in any bytes: how they are shown, and clean paths.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/file_names.h"
#include "platform/text.h"

using vq::DecodeName;

TEST(DecodeName, Utf8ThenCodePage932ThenReplacementCharacters) {
  const struct {
    const char* what;
    std::string bytes;
    std::u16string shown;
  } cases[] = {
      {"ASCII", "01 Intro.mp3", u"01 Intro.mp3"},
      {"UTF-8 Japanese", "テスト曲.mp3", u"テスト曲.mp3"},
      {"UTF-8 outside code page 932", "Beyonc\xC3\xA9", u"Beyoncé"},
      {"Shift-JIS bytes", "\x83\x65\x83\x58\x83\x67\x8B\xC8.mp3", u"テスト曲.mp3"},
      {"Shift-JIS level-2 kanji", "\xE0\xDB\xE0\xE8.mp3", u"珈琲.mp3"},
      {"half-width katakana", "\xB6\xCC\xAA", u"ｶﾌｪ"},
      // 0xE9 is a lead byte that "." cannot follow: not code page 932 either.
      {"Latin-1 bytes", "caf\xE9.mp3", u"caf\uFFFD.mp3"},
      {"Latin-1 at the end", "caf\xE9", u"caf\uFFFD"},
      {"an overlong UTF-8 form that code page 932 reads", "a\xC0\xAF", u"a\uFF80\uFF6F"},
      {"a lead byte without its trail byte", "\x81 x", u"\uFFFD x"},
      {"empty", "", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeName(c.bytes), c.shown);
  }
}

TEST(DecodeName, ValidUtf8AndCodePageCoverage) {
  EXPECT_TRUE(vq::IsValidUtf8("abc"));
  EXPECT_TRUE(vq::IsValidUtf8("\xF0\x9F\x8E\xB5"));
  EXPECT_FALSE(vq::IsValidUtf8("\xED\xA0\x80"));  // a surrogate
  EXPECT_FALSE(vq::IsValidUtf8("\xE3\x81"));      // cut short
  EXPECT_FALSE(vq::IsValidUtf8("\x83\x65"));
  EXPECT_TRUE(vq::Cp932DefinesAll("\x83\x65\xB6"));
  EXPECT_FALSE(vq::Cp932DefinesAll("\x83"));      // a lead byte alone
  EXPECT_FALSE(vq::Cp932DefinesAll("\x85\x40"));  // an unassigned pair
}

TEST(DecodePath, EachComponentOnItsOwn) {
  // A Shift-JIS folder inside a UTF-8 one: neither decoding alone fits the whole path.
  EXPECT_EQ(vq::DecodePath("/音楽/\x83\x65\x83\x58\x83\x67/a.mp3"), u"/音楽/テスト/a.mp3");
  EXPECT_EQ(vq::DecodePath("//a/"), u"//a/");
  EXPECT_EQ(vq::DecodePath("/"), u"/");
}

TEST(CleanFolderPath, AbsoluteWithoutDotsDoubledOrTrailingSeparators) {
  EXPECT_EQ(vq::CleanFolderPath("/"), "/");
  EXPECT_EQ(vq::CleanFolderPath("//"), "/");
  EXPECT_EQ(vq::CleanFolderPath("/a/b/"), "/a/b");
  EXPECT_EQ(vq::CleanFolderPath("/a//b/./c/../"), "/a/b");
  EXPECT_EQ(vq::CleanFolderPath("/.."), "/");
  EXPECT_EQ(vq::CleanFolderPath("/\x83\x65/"), "/\x83\x65");
  EXPECT_EQ(vq::CleanFolderPath("rel"), vq::WorkingFolder() + "/rel");
}

TEST(PathParts, ParentLastComponentAndTheProgramsFolder) {
  EXPECT_EQ(vq::ParentPath("/music/B"), "/music");
  EXPECT_EQ(vq::ParentPath("/music"), "");
  EXPECT_EQ(vq::ParentPath("/"), "");
  EXPECT_EQ(vq::LastComponent("/music/Band"), "Band");
  EXPECT_EQ(vq::LastComponent("/"), "");
  EXPECT_EQ(vq::JoinPath("/music", "a.mp3"), "/music/a.mp3");
  EXPECT_EQ(vq::JoinPath("/music/", "a.mp3"), "/music/a.mp3");
  EXPECT_EQ(vq::JoinPath("/", "a.mp3"), "/a.mp3");
  EXPECT_EQ(vq::JoinPath("", "Path.dat"), "/Path.dat");
  char exe[4096];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  EXPECT_EQ(vq::ProgramFolder() + "/" + vq::LastComponent(std::string(exe, static_cast<std::size_t>(n))),
            std::string(exe, static_cast<std::size_t>(n)));
}
