// "v2参照(F8)" reading the frame listing back, without a window.
#include <gtest/gtest.h>

#include "session/frame_listing.h"

using vq::FieldsFromFrameListing;

TEST(FieldsFromFrameListing, LastLineOfEachFieldWinsAndOnlyWholeLinesCount) {
  auto f = FieldsFromFrameListing(
      u"TCON(0) 17 Rock\r\n"
      u"TIT2(0) First\r\n"
      u"a) line of a multi-line value\r\n"
      u")\r\n"
      u"TIT2(1) Second\r\n"
      u"TXXX(0) other frames are ignored\r\n"
      u"COM(0) eng comment\r\n"
      u"TYE(0) 1987\r\n"
      u"TPE1(0) after the last line end");
  EXPECT_EQ(f[0], u"Second");
  EXPECT_FALSE(f[1]);  // the artist line has no line end
  EXPECT_FALSE(f[2]);
  EXPECT_EQ(f[3], u"eng comment");
  EXPECT_EQ(f[4], u"1987");
  EXPECT_EQ(f[5], u"17");
}

TEST(FieldsFromFrameListing, GenreIsItsLeadingNumber) {
  const struct {
    const char16_t* value;
    const char16_t* genre;
  } cases[] = {{u"(13)", u"0"}, {u"Pop", u"0"}, {u"13", u"13"}, {u" 12.5x", u"12.5"}, {u"", u"0"}};
  for (const auto& c : cases) {
    auto f = FieldsFromFrameListing(std::u16string(u"TCON(0) ") + c.value + u"\r\n");
    EXPECT_EQ(f[5], c.genre) << std::u16string(c.value).size();
  }
  EXPECT_TRUE(FieldsFromFrameListing(u"")[0] == std::nullopt);
}
