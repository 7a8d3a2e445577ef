#include <gtest/gtest.h>

#include "formats/text_reading.h"
#include "platform/codepage.h"
#include "platform/text.h"

using namespace vq;

namespace {

std::string Latin1Bytes(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

struct ReadingCase {
  const char* name;        // what a reader of the test sees (UTF-8)
  std::string bytes;       // the tag's bytes
  TextReading expected;
};

}  // namespace

TEST(TextReading, DecidesRealNamesOfBothKinds) {
  const ReadingCase cases[] = {
      // Japanese written as code page 932.
      {"サンプル歌手", cp932::Encode(u"サンプル歌手"), TextReading::CodePage932},
      {"ＡＢＣ４８ - 会いたかった", cp932::Encode(u"ＡＢＣ４８ - 会いたかった"), TextReading::CodePage932},
      {"① はじめに～", cp932::Encode(u"① はじめに～"), TextReading::CodePage932},
      {"ｱｲｳｴｵ", cp932::Encode(u"ｱｲｳｴｵ"), TextReading::CodePage932},
      {"ﾀﾁﾂﾃﾄ (reads ÀÁÂÃÄ)", cp932::Encode(u"ﾀﾁﾂﾃﾄ"), TextReading::CodePage932},
      {"珈琲 (second-level kanji, reads àÛàè)", cp932::Encode(u"珈琲"), TextReading::CodePage932},
      {"鶯の歌", cp932::Encode(u"鶯の歌"), TextReading::CodePage932},
      {"夏の旅", cp932::Encode(u"夏の旅"), TextReading::CodePage932},
      {"珈琲 Time", cp932::Encode(u"珈琲 Time"), TextReading::CodePage932},
      {"Mr.Childrenの歌", cp932::Encode(u"Mr.Childrenの歌"), TextReading::CodePage932},
      // European names written as ISO-8859-1.
      {"déménageurs", Latin1Bytes(u"déménageurs"), TextReading::Latin1},
      {"Françoise", Latin1Bytes(u"Françoise"), TextReading::Latin1},
      {"Édith Piaf", Latin1Bytes(u"Édith Piaf"), TextReading::Latin1},
      {"Beyoncé", Latin1Bytes(u"Beyoncé"), TextReading::Latin1},
      {"Motörhead", Latin1Bytes(u"Motörhead"), TextReading::Latin1},
      {"Mañana", Latin1Bytes(u"Mañana"), TextReading::Latin1},
      {"Sigur Rós", Latin1Bytes(u"Sigur Rós"), TextReading::Latin1},
      {"Ère (ﾈre)", Latin1Bytes(u"Ère"), TextReading::Latin1},
      {"Café Tacvba", Latin1Bytes(u"Café Tacvba"), TextReading::Latin1},
      // The bytes alone do not tell.
      {"CDｼﾝｸﾞﾙ (reads CD¼Ý¸ÞÙ)", cp932::Encode(u"CDｼﾝｸﾞﾙ"), TextReading::Undecided},
      {"E9 61: 饌 or éa", std::string("\xE9\x61", 2), TextReading::Undecided},
      {"珈琲Time (reads àÛàèTime)", cp932::Encode(u"珈琲Time"), TextReading::Undecided},
      {"81 at the end, 85 in C1", std::string("\x85\x81", 2), TextReading::Undecided},
      // ASCII reads the same both ways.
      {"Blue Sky", "Blue Sky", TextReading::CodePage932},
  };
  for (const ReadingCase& c : cases) {
    EXPECT_EQ(DecideTextReading(c.bytes), c.expected) << c.name;
    if (c.expected != TextReading::Undecided) {
      // The chosen reading gives back the name.
      const std::u16string read = ReadAs(c.bytes, c.expected);
      const std::string shown = Utf16ToUtf8(read);
      EXPECT_EQ(std::string(c.name).substr(0, shown.size()), shown) << c.name;
    }
  }
}

TEST(TextReading, AnUndecidedTextFollowsTheMajorityWhereThatReadingIsValid) {
  const std::string undecided = cp932::Encode(u"CDｼﾝｸﾞﾙ");
  EXPECT_EQ(ChooseByMajority(undecided, {3, 1}), TextReading::CodePage932);
  EXPECT_EQ(ChooseByMajority(undecided, {1, 2}), TextReading::Latin1);
  EXPECT_EQ(ChooseByMajority(undecided, {2, 2}), TextReading::Undecided);
  EXPECT_EQ(ChooseByMajority(undecided, {0, 0}), TextReading::Undecided);
  // Valid in neither reading: no majority makes it one.
  EXPECT_EQ(ChooseByMajority(std::string("\x85\x81", 2), {5, 0}), TextReading::Undecided);
  EXPECT_EQ(ChooseByMajority(std::string("\x85\x81", 2), {0, 5}), TextReading::Undecided);
}
