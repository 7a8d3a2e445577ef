#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/codepage_text.h"

using namespace vq;

TEST(ByteLength, CountsTwoForDoubleByteCharacters) {
  EXPECT_EQ(ByteLength(u""), 0);
  EXPECT_EQ(ByteLength(u"ABC"), 3);
  EXPECT_EQ(ByteLength(u"日本"), 4);
  EXPECT_EQ(ByteLength(u"ｶﾀｶﾅ"), 4);            // half-width katakana: one byte each
  EXPECT_EQ(ByteLength(u"珈琲ｶﾌｪ Album"), 13);  // level-2 kanji (lead 0xE0) count 2
  EXPECT_EQ(ByteLength(u"Ålbum"), 5);           // not in the code page: written as one "?"
  EXPECT_EQ(ByteLength(u"\uF8F0\u0080"), 2);    // the single bytes A0 and 80
}

TEST(EncodeFrameText, WritesEncodingByteThenCodePageBytesLeadFirst) {
  std::vector<std::uint8_t> bytes{9, 9, 9, 9, 9, 9, 9};  // old contents are replaced
  EncodeFrameText(u"AB", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x41, 0x42}));

  EncodeFrameText(u"あ", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x82, 0xA0}));

  EncodeFrameText(u"鶯ｶA珈", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0xE9, 0xF2, 0xB6, 0x41, 0xE0, 0xDB}));

  EncodeFrameText(u"", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00}));

  EncodeFrameText(u"xÅy", bytes);  // what the code page cannot hold becomes "?"
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 'x', '?', 'y'}));
}

TEST(EncodeFrameText, SizeMatchesByteLengthPlusOne) {
  const std::vector<std::u16string> texts{u"", u"a", u"漢字かなｶﾅ123", u"Ålbum 珈琲 ﾌｪ", {0xD83C, 0xDFB5, u' ', u'x'}};
  for (const std::u16string& text : texts) {
    std::vector<std::uint8_t> bytes;
    EncodeFrameText(text, bytes);
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(ByteLength(text)) + 1);
  }
}
