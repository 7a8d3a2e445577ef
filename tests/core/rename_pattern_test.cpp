// Patterns: which are refused and why, and the names they give.
#include <gtest/gtest.h>

#include "passes/rename_pattern.h"
#include "platform/text.h"

using vq::TagField;

namespace {

vq::TagFields Fields(std::initializer_list<std::pair<TagField, std::u16string>> values) {
  vq::TagFields f;
  for (const auto& [field, value] : values) f[field] = value;
  return f;
}

std::u16string Joined(const vq::BuiltName& b) {
  std::u16string out;
  for (const auto& c : b.components) out += (out.empty() ? u"" : u"/") + c;
  return out;
}

}  // namespace

TEST(ParseRenamePattern, RefusedWithAMessageThatSaysWhy) {
  const struct {
    const char16_t* pattern;
    const char16_t* saying;  // a part of the message
  } cases[] = {
      {u"", u"入力してください"},
      {u"   ", u"入力してください"},
      {u".mp3", u"入力してください"},
      {u"album", u"タグの項目がありません"},
      {u"%%title%%", u"タグの項目がありません"},
      {u"%titel%", u"「%titel%」という項目はありません"},
      {u"%artist%/%nme%", u"「%nme%」"},
      {u"%title", u"閉じていません"},
      {u"%artist/%title%", u"閉じていません"},
      {u"/%artist%/%title%", u"絶対パス"},
      {u"../%title%", u"「..」は使えません"},
      {u"%artist%/../%title%", u"「..」は使えません"},
      {u"./%title%", u"「.」は使えません"},
      {u"%artist%//%title%", u"空のフォルダ名"},
      {u"%artist%/%title%/", u"空のフォルダ名"},
      {u"%title:3%", u"桁数を付けられるのは"},
      {u"%track:0%", u"桁数を付けられるのは"},
      {u"%track:12%", u"桁数を付けられるのは"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(vq::Utf16ToUtf8(c.pattern));
    const auto parsed = vq::ParseRenamePattern(c.pattern);
    EXPECT_FALSE(parsed.pattern);
    EXPECT_NE(parsed.error.find(c.saying), std::u16string::npos) << vq::Utf16ToUtf8(parsed.error);
  }
}

TEST(BuildName, NamesFromTheTags) {
  const auto all = Fields({{TagField::Artist, u"山田花子"},
                           {TagField::Album, u"青い空"},
                           {TagField::Title, u"朝"},
                           {TagField::Track, u"3"},
                           {TagField::Disc, u"1"},
                           {TagField::Year, u"2024"},
                           {TagField::Genre, u"J-Pop"},
                           {TagField::Comment, u"live"}});
  const struct {
    const char16_t* pattern;
    const char16_t* extension;
    const char16_t* name;
  } cases[] = {
      {u"%artist%/%album%/%track% %title%", u".mp3", u"山田花子/青い空/03 朝.mp3"},
      {u"%track:3% - %title%", u".MP3", u"003 - 朝.MP3"},
      {u"%track:1%", u".mp3", u"3.mp3"},
      {u"%disc%-%track% %title%.mp3", u".mp3", u"1-03 朝.mp3"},  // a ".mp3" typed is left out
      {u"%year% %album% (%genre%)/%title% [%comment%]", u".mp3", u"2024 青い空 (J-Pop)/朝 [live].mp3"},
      {u"100%% %title%", u".mp3", u"100% 朝.mp3"},
      {u"%title%?", u".mp3", u"朝？.mp3"},  // the pattern's own text is made portable too
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(vq::Utf16ToUtf8(c.pattern));
    const auto parsed = vq::ParseRenamePattern(c.pattern);
    ASSERT_TRUE(parsed.pattern) << vq::Utf16ToUtf8(parsed.error);
    const auto built = vq::BuildName(*parsed.pattern, all, c.extension);
    EXPECT_TRUE(built.ok());
    EXPECT_EQ(Joined(built), c.name);
  }
}

TEST(BuildName, ValuesNeverMakeFoldersAndMissingFieldsAreNamed) {
  const auto pattern = *vq::ParseRenamePattern(u"%artist%/%album%/%track% %title%").pattern;
  const auto slashes = Fields({{TagField::Artist, u"AC/DC"},
                               {TagField::Album, u"Who: What?..."},
                               {TagField::Title, u"\"Yes\" <No> | *"},
                               {TagField::Track, u"12"}});
  EXPECT_EQ(Joined(vq::BuildName(pattern, slashes, u".mp3")), u"AC／DC/Who： What？/12 ＂Yes＂ ＜No＞ ｜ ＊.mp3");

  const auto noAlbum = Fields({{TagField::Artist, u"A"}, {TagField::Title, u"T"}, {TagField::Track, u"1"}});
  auto built = vq::BuildName(pattern, noAlbum, u".mp3");
  ASSERT_TRUE(built.missing);
  EXPECT_EQ(*built.missing, TagField::Album);
  // A value of nothing but control characters or spaces is no value.
  built = vq::BuildName(pattern, Fields({{TagField::Artist, u"\t\x01 "}, {TagField::Album, u"B"}, {TagField::Title, u"T"},
                                          {TagField::Track, u"1"}}), u".mp3");
  ASSERT_TRUE(built.missing);
  EXPECT_EQ(*built.missing, TagField::Artist);
  // A folder of nothing but dots.
  built = vq::BuildName(pattern, Fields({{TagField::Artist, u"..."}, {TagField::Album, u"B"}, {TagField::Title, u"T"},
                                          {TagField::Track, u"1"}}), u".mp3");
  EXPECT_TRUE(built.empty);
}
