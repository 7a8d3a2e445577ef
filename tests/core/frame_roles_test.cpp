// "v2参照(F8)" reading the frame table, without a window.
#include <gtest/gtest.h>

#include "session/frame_roles.h"

using vq::FieldsFromFrames;

namespace {

vq::V2FrameEntry Frame(const char16_t* id, const char16_t* fullText, std::uint8_t encoding = 0) {
  vq::V2FrameEntry e;
  e.id = id;
  e.fullText = fullText;
  e.shownEncoding = encoding;
  return e;
}

}  // namespace

TEST(FieldsFromFrames, LastFrameOfEachFieldWins) {
  auto f = FieldsFromFrames({Frame(u"TCON", u"17 Rock"), Frame(u"TIT2", u"First"), Frame(u"TIT2", u"Second", 1),
                             Frame(u"TXXX", u"other frames are ignored"), Frame(u"COM", u"eng comment"),
                             Frame(u"TYE", u"1987")});
  EXPECT_EQ(f[0], u"Second");
  EXPECT_FALSE(f[1]);  // no artist frame
  EXPECT_FALSE(f[2]);
  EXPECT_EQ(f[3], u"eng comment");
  EXPECT_EQ(f[4], u"1987");
  EXPECT_EQ(f[5], u"17");
}

// A value is its frame's first line; its other lines are no frames of their own, and an
// encoding byte of any size does not hide the frame.
TEST(FieldsFromFrames, AValueIsItsFirstLineWhateverItsEncodingByte) {
  auto f = FieldsFromFrames({Frame(u"TIT2", u"one\r\nTPE1(0) not an artist\r\n"), Frame(u"TALB", u"album", 213)});
  EXPECT_EQ(f[0], u"one");
  EXPECT_FALSE(f[1]);
  EXPECT_EQ(f[2], u"album");
}

TEST(FieldsFromFrames, GenreIsItsLeadingNumber) {
  const struct {
    const char16_t* value;
    const char16_t* genre;
  } cases[] = {{u"(13)", u"0"}, {u"Pop", u"0"}, {u"13", u"13"}, {u" 12.5x", u"12.5"}, {u"", u"0"}};
  for (const auto& c : cases) {
    auto f = FieldsFromFrames({Frame(u"TCON", c.value)});
    EXPECT_EQ(f[5], c.genre) << std::u16string(c.value).size();
  }
  EXPECT_TRUE(FieldsFromFrames({})[0] == std::nullopt);
}
