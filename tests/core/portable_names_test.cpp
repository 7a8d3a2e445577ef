// Names that work on every device: the characters FAT and Windows refuse, reserved
// names, trailing dots and spaces, the 255-byte limit.
#include <gtest/gtest.h>

#include "passes/portable_names.h"
#include "platform/text.h"

using vq::PortableName;
using vq::PortableText;

TEST(PortableText, EachForbiddenCharacterBecomesItsFullWidthTwin) {
  const struct {
    char16_t in;
    char16_t out;
  } cases[] = {{u'\\', u'＼'}, {u'/', u'／'}, {u':', u'：'}, {u'*', u'＊'}, {u'?', u'？'},
               {u'"', u'＂'},  {u'<', u'＜'}, {u'>', u'＞'}, {u'|', u'｜'}};
  for (const auto& c : cases) {
    SCOPED_TRACE(vq::Utf16ToUtf8(std::u16string(1, c.in)));
    EXPECT_EQ(PortableText(u"a" + std::u16string(1, c.in) + u"b"), u"a" + std::u16string(1, c.out) + u"b");
  }
  EXPECT_EQ(PortableText(u"AC/DC: Live?"), u"AC／DC： Live？");
}

TEST(PortableText, ControlCharactersAreDropped) {
  EXPECT_EQ(PortableText(u"a\tb\nc\x01\x1F\x7F\x85" u"d"), u"abcd");
  EXPECT_EQ(PortableText(u"曲名 ＆ 歌"), u"曲名 ＆ 歌");  // everything else stays
}

TEST(PortableName, ReservedNamesGetAnUnderscore) {
  const struct {
    const char16_t* stem;
    const char16_t* extension;
    const char16_t* name;
  } cases[] = {
      {u"CON", u".mp3", u"CON_.mp3"}, {u"con", u"", u"con_"},       {u"Prn", u".MP3", u"Prn_.MP3"},
      {u"AUX", u"", u"AUX_"},         {u"nul.txt", u"", u"nul_.txt"}, {u"COM1", u".mp3", u"COM1_.mp3"},
      {u"com9", u"", u"com9_"},       {u"LPT1", u"", u"LPT1_"},      {u"lpt9", u".mp3", u"lpt9_.mp3"},
      // Not reserved:
      {u"COM0", u"", u"COM0"},        {u"COM10", u"", u"COM10"},     {u"CONSOLE", u".mp3", u"CONSOLE.mp3"},
      {u"Icon", u"", u"Icon"},        {u"NULL", u"", u"NULL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(vq::Utf16ToUtf8(c.stem));
    EXPECT_EQ(PortableName(c.stem, {}, c.extension), c.name);
  }
}

TEST(PortableName, SpacesAtBothEndsAndDotsAtTheEndRemoved) {
  const struct {
    const char16_t* stem;
    const char16_t* extension;
    const char16_t* name;
  } cases[] = {
      {u"  Album  ", u"", u"Album"},
      {u"Vol. 1...", u"", u"Vol. 1"},
      {u"Vol. 1. . .", u"", u"Vol. 1"},
      {u"Title...", u".mp3", u"Title.mp3"},
      {u"...", u"", u""},              // nothing left
      {u"   ", u".mp3", u""},
      {u".hack", u"", u"．hack"},       // never a hidden name
      {u"...Baby", u".mp3", u"．..Baby.mp3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(vq::Utf16ToUtf8(c.stem));
    EXPECT_EQ(PortableName(c.stem, {}, c.extension), c.name);
  }
}

TEST(PortableName, CutTo255BytesNeverInsideACharacterExtensionKept) {
  const std::u16string kana(100, u'あ');  // 300 bytes in UTF-8
  const struct {
    const char* what;
    std::u16string stem, suffix, extension;
    std::size_t bytes;  // of the result
  } cases[] = {
      {"Japanese folder name", kana, u"", u"", 255},            // 85 characters
      {"Japanese file name", kana, u"", u".mp3", 253},          // 83 characters + 4 bytes
      {"with a number", kana, u" (12)", u".mp3", 255},          // 82 characters + 5 + 4
      {"ASCII", std::u16string(300, u'a'), u"", u".mp3", 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::u16string name = PortableName(c.stem, c.suffix, c.extension);
    EXPECT_EQ(vq::Utf16ToUtf8(name).size(), c.bytes);
    EXPECT_TRUE(name.ends_with(c.suffix + c.extension));
  }
  std::u16string notes;
  for (int i = 0; i < 80; ++i) notes += u"\U0001F3B5";  // 4 bytes each, two units
  const std::u16string cut = PortableName(notes, {}, u".mp3");
  EXPECT_EQ(vq::Utf16ToUtf8(cut).size(), 252u);  // 62 whole characters
  EXPECT_EQ(cut.substr(0, cut.size() - 4).find(u'\uFFFD'), std::u16string::npos);
  EXPECT_EQ(vq::Utf8ToUtf16(vq::Utf16ToUtf8(cut)), cut);
  // A cut that ends in a space or a dot loses those as well.
  EXPECT_EQ(PortableName(std::u16string(250, u'a') + u" . b", {}, u".mp3"), std::u16string(250, u'a') + u".mp3");
}
