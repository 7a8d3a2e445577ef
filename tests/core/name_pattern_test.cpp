// Naming patterns: what is refused and why, and what a pattern takes from Japanese,
// full-width and Shift-JIS names.
#include <gtest/gtest.h>

#include <string>

#include "passes/name_pattern.h"
#include "platform/text.h"

using namespace vq;

namespace {

NamePattern Parse(std::u16string_view text) {
  ParsedPattern p = ParseNamePattern(text);
  EXPECT_TRUE(p.pattern) << Utf16ToUtf8(p.error);
  return p.pattern.value_or(NamePattern{});
}

// The written fields of a match as "name=value" in field order, or "no match".
std::u16string Taken(const PatternMatch& m) {
  if (!m.matches) return u"no match";
  std::u16string s;
  const char16_t* names[] = {u"artist", u"album", u"title", u"track", u"disc", u"year", u"genre", u"comment"};
  for (TagField f : kTagFields)
    if (m.values[f]) s += (s.empty() ? u"" : u" ") + std::u16string(names[static_cast<int>(f)]) + u"=" + *m.values[f];
  return s;
}

}  // namespace

TEST(ParseNamePattern, RefusesWhatCannotBeMatchedWithASentenceThatNamesIt) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"", u"パターンが空です。"},
      {u"%artist% - %titel%", u"「%titel%」はパターンに使えない項目です。"},
      {u"%artist% - %title", u"「%title」の「%」が閉じていません。"},
      {u"%artist - %title%", u"「%artist - %」はパターンに使えない項目です。"},
      {u"アルバム", u"パターンに項目がありません。"},
      {u"%artist%%title%", u"「%artist%」と「%title%」の間に区切りの文字がありません。"},
      {u"%skip%%title%", u"「%skip%」と「%title%」の間に区切りの文字がありません。"},
      {u"%title% - %title%", u"「%title%」がパターンに二度あります。"},
      {u"%artist%//%title%", u"「/」の前か後ろにフォルダやファイルの部分がありません。"},
      {u"%artist%/", u"「/」の前か後ろにフォルダやファイルの部分がありません。"},
  };
  for (const auto& [text, error] : cases) {
    const ParsedPattern p = ParseNamePattern(text);
    EXPECT_FALSE(p.pattern) << Utf16ToUtf8(text);
    EXPECT_NE(p.error.find(error), std::u16string::npos) << Utf16ToUtf8(text) << " -> " << Utf16ToUtf8(p.error);
  }
  // A number next to a text is told apart by its digits; %skip% may come twice; fields
  // are named in any case; ".mp3" at the end is the file's extension.
  for (const char16_t* ok : {u"%track%%title%", u"%title%%year%", u"%skip% - %skip% - %title%", u"%Artist% - %TITLE%",
                             u"%artist% - %title%.mp3"})
    EXPECT_TRUE(ParseNamePattern(ok).pattern) << Utf16ToUtf8(ok) << " " << Utf16ToUtf8(ParseNamePattern(ok).error);
}

TEST(MatchNamePattern, FileTitles) {
  struct Case {
    const char16_t *pattern, *title, *taken;
  };
  const Case cases[] = {
      {u"%artist% - %title%", u"アーティスト - 曲名", u"artist=アーティスト title=曲名"},
      // The first field takes as little as it can.
      {u"%artist% - %title%", u"A - B - C", u"artist=A title=B - C"},
      // Full-width separators match their half-width forms.
      {u"%artist% - %title%", u"歌手　－　曲名", u"artist=歌手 title=曲名"},
      {u"%track%. %title%", u"０３．　朝の歌", u"title=朝の歌 track=3"},
      {u"%track%%title%", u"012曲", u"title=曲 track=12"},
      {u"%track% %title%", u"01 1999", u"title=1999 track=1"},
      {u"%title% (%year%)", u"夏 (live) (1999)", u"title=夏 (live) year=1999"},
      {u"%disc%-%track% %title%", u"2-05 曲名", u"title=曲名 track=5 disc=2"},
      {u"%skip% - %title%", u"山田 - 海辺", u"title=海辺"},
      {u"%genre%_%comment%_%title%", u"J-Pop_初回盤_曲", u"title=曲 genre=J-Pop comment=初回盤"},
      // Case does not matter in the text between fields.
      {u"Track %track%", u"TRACK 07", u"track=7"},
      // No match: a missing separator, too many digits, nothing for a field.
      {u"%artist% - %title%", u"曲名だけ", u"no match"},
      {u"%track% %title%", u"2001 宇宙", u"no match"},
      {u"%artist% - %title%", u" - 曲名", u"no match"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(std::u16string(c.pattern) + u" on " + c.title));
    EXPECT_EQ(Utf16ToUtf8(Taken(MatchNamePattern(Parse(c.pattern), u"/music", u"", c.title))), Utf16ToUtf8(c.taken));
  }
}

TEST(MatchNamePattern, FoldersCountUpFromTheFileThroughThePassFolder) {
  const NamePattern p = Parse(u"%artist%/%album%/%track% %title%");
  // A pass over the artist's folder: the album is the row's subfolder.
  EXPECT_EQ(Taken(MatchNamePattern(p, u"/music/山田花子", u"夏の旅", u"01 海辺の朝")),
            u"artist=山田花子 album=夏の旅 title=海辺の朝 track=1");
  // A pass over the album's folder: both names come from the pass folder's path.
  EXPECT_EQ(Taken(MatchNamePattern(p, u"/music/山田花子/夏の旅", u"", u"01 海辺の朝")),
            u"artist=山田花子 album=夏の旅 title=海辺の朝 track=1");
  const NamePattern year = Parse(u"%year% %album%/%track%. %title%");
  EXPECT_EQ(Taken(MatchNamePattern(year, u"/music", u"1999 青い空", u"3. 朝")),
            u"album=青い空 title=朝 track=3 year=1999");
}

TEST(MatchNamePattern, TheReasonNamesTheNameThatDoesNotMatch) {
  const NamePattern p = Parse(u"%artist%/CD%disc%/%title%");
  const PatternMatch folder = MatchNamePattern(p, u"/music/歌手", u"ボーナス", u"曲");
  EXPECT_FALSE(folder.matches);
  EXPECT_EQ(folder.reason, u"フォルダ名「ボーナス」がパターンの「CD%disc%」に合いません。（ファイル「曲」）");
  const PatternMatch file = MatchNamePattern(Parse(u"%artist% - %title%"), u"/music", u"", u"曲名だけ");
  EXPECT_EQ(file.reason, u"ファイル名「曲名だけ」がパターンの「%artist% - %title%」に合いません。");
  const PatternMatch shallow = MatchNamePattern(Parse(u"%artist%/%album%/%title%"), u"/", u"", u"曲");
  EXPECT_FALSE(shallow.matches);
  EXPECT_NE(shallow.reason.find(u"フォルダがありません"), std::u16string::npos);
}
