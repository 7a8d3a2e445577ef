#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/text.h"

using namespace vq;

TEST(CodePage, DecodesBothLeadByteRanges) {
  // 珈琲 is E0 DB E0 E8 (JIS level-2 kanji, lead bytes 0xE0); 鶯 is E9 F2.
  EXPECT_EQ(cp932::Decode("\xE0\xDB\xE0\xE8"), u"珈琲");
  EXPECT_EQ(cp932::DecodePair(0xE9, 0xF2), u'鶯');
  EXPECT_EQ(cp932::Decode("\xB6\xCC\xAA"), u"ｶﾌｪ");
  EXPECT_EQ(cp932::Decode("A\x82\xA0"), u"Aあ");
}

TEST(CodePage, CompletesTheFiveBytesIconvRejects) {
  EXPECT_EQ(cp932::DecodeSingle(0x80), u'\u0080');
  EXPECT_EQ(cp932::DecodeSingle(0xA0), u'\uF8F0');
  EXPECT_EQ(cp932::DecodeSingle(0xFD), u'\uF8F1');
  EXPECT_EQ(cp932::DecodeSingle(0xFF), u'\uF8F3');
  EXPECT_EQ(cp932::Encode(u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"), "\x80\xA0\xFD\xFE\xFF");
}

TEST(CodePage, UndefinedBytesBecomeOneReplacementAndDecodingGoesOn) {
  EXPECT_EQ(cp932::DecodePair(0x85, 0x40), u'\uFFFD');  // unassigned row
  EXPECT_EQ(cp932::Decode("\x85\x40" "A"), u"\uFFFD" "A");
  EXPECT_EQ(cp932::Decode("A\x81"), u"A\uFFFD");  // lead byte at the end
}

TEST(CodePage, EncodesWithQuestionMarkForWhatItCannotHold) {
  EXPECT_EQ(cp932::Encode(u"珈琲A"), "\xE0\xDB\xE0\xE8" "A");
  EXPECT_EQ(cp932::Encode(u"Å"), "?");
  EXPECT_FALSE(cp932::CanEncode(u"Ålbum"));
  EXPECT_TRUE(cp932::CanEncode(u"薔薇 ｱﾙﾊﾞﾑ ?"));
  EXPECT_EQ(cp932::ByteCount(u"あAｱ"), 4u);
  EXPECT_EQ(cp932::CharBytes(u'あ'), 2);
  EXPECT_EQ(cp932::CharBytes(u'ｱ'), 1);
}

TEST(Text, Utf8RoundTripAndNumberForms) {
  std::u16string s = u"曲名 \U0001F3B5 ｶﾅ";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
  EXPECT_EQ(Utf8ToUtf16("\xFF" "a"), u"\uFFFD" "a");
  EXPECT_EQ(FormatThousands(0), u"0");
  EXPECT_EQ(FormatThousands(1204), u"1,204");
  EXPECT_EQ(FormatThousands(39062), u"39,062");
  EXPECT_EQ(FormatThousands(1000000), u"1,000,000");
  EXPECT_EQ(RoundHalfEven(60.5), 60);
  EXPECT_EQ(RoundHalfEven(61.5), 62);
  EXPECT_EQ(RoundHalfEven(39062.5), 39062);
}

TEST(CodePage, HoldsOnlyWhatReadsBackTheSame) {
  // WAVE DASH and the yen sign have a nearest code that reads back as another character.
  EXPECT_FALSE(cp932::CanEncode(u'\u301C'));
  EXPECT_FALSE(cp932::CanEncode(u'\u00A5'));
  EXPECT_EQ(cp932::Encode(u"\u301C"), "\x81\x60");
  EXPECT_TRUE(cp932::CanEncode(u'\uFF5E'));
  for (unsigned c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    char16_t ch = static_cast<char16_t>(c);
    if (cp932::CanEncode(ch)) {
      ASSERT_EQ(cp932::Decode(cp932::Encode(std::u16string(1, ch))), std::u16string(1, ch)) << std::hex << c;
    }
  }
}
