// What a whole listing gets: the built-in derivation unchanged, track and disc numbers
// with their counts, disc folders, numbering in order and patterns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "passes/batch_values.h"
#include "passes/derive_names.h"
#include "platform/codepage.h"
#include "platform/text.h"

using namespace vq;

namespace {

std::vector<ListedFile> Rows(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::vector<ListedFile> rows;
  for (const auto& [entry, name] : entries) rows.push_back(MakeRow(entry, name));
  return rows;
}

// One row's values as "artist|album|title|track|disc", "-" for a value not written.
std::string Line(const RowValues& r) {
  if (r.outcome != RowValues::Outcome::Values) return "no match";
  std::string s;
  for (TagField f : {TagField::Artist, TagField::Album, TagField::Title, TagField::Track, TagField::Disc}) {
    if (f != TagField::Artist) s += "|";
    s += r.values[f] ? Utf16ToUtf8(*r.values[f]) : "-";
  }
  return s;
}

std::vector<std::string> Lines(std::u16string_view folder, const std::vector<ListedFile>& rows, const BatchNaming& n) {
  std::vector<std::string> out;
  for (const RowValues& r : ListingValues(folder, rows, n)) out.push_back(Line(r));
  return out;
}

BatchNaming Tracks(bool inOrder = false) {
  BatchNaming n;
  n.trackNumbers = true;
  n.numberInOrder = inOrder;
  return n;
}

BatchNaming WithPattern(std::u16string_view text) {
  BatchNaming n;
  n.pattern = ParseNamePattern(text).pattern;
  EXPECT_TRUE(n.pattern);
  return n;
}

}  // namespace

TEST(ListingValues, WithoutOptionsEveryRowGetsDeriveNamesValuesAndNothingElse) {
  const auto rows = Rows({{"", "01 朝.mp3"}, {"", " はじめに.mp3"}, {"/CD1", "01 曲.mp3"}, {"/夏の旅", "02 夕立.MP3"}});
  const std::u16string folder = u"/music/山田花子";
  const auto values = ListingValues(folder, rows, BatchNaming{});
  ASSERT_EQ(values.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const DerivedNames d =
        DeriveNames(folder, rows[i].subfolderEntry.empty() ? u"" : u"/" + rows[i].subfolderName, rows[i].displayName);
    TagValues expected;
    expected[TagField::Artist] = d.FolderName;
    expected[TagField::Album] = d.SubfolderName;
    expected[TagField::Title] = d.FileTitle;
    EXPECT_EQ(values[i].outcome, RowValues::Outcome::Values);
    EXPECT_EQ(values[i].values, expected) << i;
  }
}

TEST(ListingValues, TrackNumbersCountTheAlbumWhenItRunsFromOneWithoutGaps) {
  const auto rows = Rows({{"/全曲", "01 朝.mp3"}, {"/全曲", "02 昼.mp3"}, {"/全曲", "03 夜.mp3"},
                          {"/抜けあり", "01 朝.mp3"}, {"/抜けあり", "03 夜.mp3"}, {"/抜けあり", "おまけ.mp3"},
                          {"/二度", "01 朝.mp3"}, {"/二度", "01 朝(別).mp3"},
                          {"", "2001年宇宙の旅.mp3"}});
  EXPECT_EQ(Lines(u"/m/歌手", rows, Tracks()), (std::vector<std::string>{
                "歌手|全曲|朝|1/3|-", "歌手|全曲|昼|2/3|-", "歌手|全曲|夜|3/3|-",
                "歌手|抜けあり|朝|1|-", "歌手|抜けあり|夜|3|-", "歌手|抜けあり|おまけ|-|-",
                "歌手|二度|朝|1|-", "歌手|二度|朝(別)|1|-",
                "歌手||2001年宇宙の旅|-|-"}));
  // Numbered in order, every file of an album gets its place, with or without a number.
  EXPECT_EQ(Lines(u"/m/歌手", rows, Tracks(true)), (std::vector<std::string>{
                "歌手|全曲|朝|1/3|-", "歌手|全曲|昼|2/3|-", "歌手|全曲|夜|3/3|-",
                "歌手|抜けあり|朝|1/3|-", "歌手|抜けあり|夜|2/3|-", "歌手|抜けあり|おまけ|3/3|-",
                "歌手|二度|朝|1/2|-", "歌手|二度|朝(別)|2/2|-",
                "歌手||2001年宇宙の旅|1/1|-"}));
}

TEST(ListingValues, DiscFoldersMakeOneAlbumNamedByTheFoldersAbove) {
  // velquist --batch --track-numbers Artist/Album, with Album/CD1 and Album/CD2.
  const auto rows = Rows({{"/CD1", "01 朝.mp3"}, {"/CD1", "02 昼.mp3"}, {"/Disc 2 - ライブ", "01 夜.mp3"}});
  EXPECT_EQ(Lines(u"/m/歌手/アルバム", rows, Tracks()),
            (std::vector<std::string>{"歌手|アルバム|朝|1/2|1/2", "歌手|アルバム|昼|2/2|1/2", "歌手|アルバム|夜|1/1|2/2"}));
  // Discs 1 and 3: no count.
  const auto gap = Rows({{"/CD1", "01 朝.mp3"}, {"/CD3", "01 夜.mp3"}});
  EXPECT_EQ(Lines(u"/m/歌手/アルバム", gap, Tracks()),
            (std::vector<std::string>{"歌手|アルバム|朝|1/1|1", "歌手|アルバム|夜|1/1|3"}));
  // Without the option CD1 is the album, as always.
  EXPECT_EQ(Lines(u"/m/歌手/アルバム", gap, BatchNaming{}),
            (std::vector<std::string>{"アルバム|CD1|01 朝|-|-", "アルバム|CD3|01 夜|-|-"}));
  // A pass over the disc's own folder.
  EXPECT_EQ(Lines(u"/m/歌手/アルバム/ＣＤ２", Rows({{"", "05 曲.mp3"}}), Tracks()),
            (std::vector<std::string>{"歌手|アルバム|曲|5|2"}));
  // Discs from "1-01" names in one folder.
  EXPECT_EQ(Lines(u"/m/歌手", Rows({{"/ベスト", "1-01 朝.mp3"}, {"/ベスト", "2-01 夜.mp3"}}), Tracks()),
            (std::vector<std::string>{"歌手|ベスト|朝|1/1|1/2", "歌手|ベスト|夜|1/1|2/2"}));
}

TEST(ListingValues, PatternsOnShiftJisNamesAndFilesThatDoNotMatch) {
  // Folder and file names in code page 932 bytes, as copied from Windows.
  const std::string album = cp932::Encode(u"夏の旅"), song = cp932::Encode(u"03 海辺の朝.mp3");
  const auto rows = Rows({{"/" + album, song}, {"/" + album, cp932::Encode(u"おまけ.mp3")}});
  ASSERT_EQ(rows[0].subfolderName, u"夏の旅");
  const BatchNaming n = WithPattern(u"%artist%/%album%/%track% %title%");
  const auto values = ListingValues(u"/m/山田花子", rows, n);
  EXPECT_EQ(Line(values[0]), "山田花子|夏の旅|海辺の朝|3|-");
  EXPECT_EQ(values[1].outcome, RowValues::Outcome::NoMatch);
  EXPECT_EQ(values[1].reason, u"ファイル名「おまけ」がパターンの「%track% %title%」に合いません。");
  // Singles: fields the pattern does not name are not written.
  const auto singles = ListingValues(u"/m/シングル", Rows({{"", "歌手 - 曲名.mp3"}}), WithPattern(u"%artist% - %title%"));
  EXPECT_EQ(Line(singles[0]), "歌手|-|曲名|-|-");
  // With the track option a pattern's title loses its number.
  BatchNaming tracks = WithPattern(u"%artist%/%album%/%title%");
  tracks.trackNumbers = true;
  EXPECT_EQ(Line(ListingValues(u"/m/山田花子", rows, tracks)[0]), "山田花子|夏の旅|海辺の朝|3|-");
}

TEST(ListingValues, PreviewOfOneRow) {
  const auto rows = Rows({{"/青い空", "01 朝.mp3"}, {"/青い空", "02 昼.mp3"}, {"", "メモ.mp3"}});
  EXPECT_EQ(PreviewText(PreviewRow(u"/m/歌手", rows, 1, Tracks())), u"作者: 歌手\nアルバム: 青い空\n曲名: 昼\n曲番号: 2/2");
  const BatchNaming n = WithPattern(u"%album%/%track% %title%");
  EXPECT_EQ(PreviewText(PreviewRow(u"/m/歌手", rows, 2, n)), u"ファイル名「メモ」がパターンの「%track% %title%」に合いません。");
  EXPECT_EQ(UnmatchedCountText(3), u"パターンに合わない曲: 3 曲");
}
