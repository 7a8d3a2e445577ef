// Track numbers from file titles and disc numbers from folder names, on the naming
// styles collections really use.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "passes/track_numbers.h"
#include "platform/text.h"

using namespace vq;

namespace {

struct TitleCase {
  std::u16string name;
  std::optional<int> disc, track;
  std::u16string title;
};

}  // namespace

TEST(SplitLeadingNumber, RealNamingStyles) {
  const TitleCase cases[] = {
      {u"01 曲名", {}, 1, u"曲名"},
      {u"01 - 曲名", {}, 1, u"曲名"},
      {u"01. 曲名", {}, 1, u"曲名"},
      {u"01_曲名", {}, 1, u"曲名"},
      {u"01)曲名", {}, 1, u"曲名"},
      {u"12、曲名", {}, 12, u"曲名"},
      {u"０１　曲名", {}, 1, u"曲名"},
      {u"１２．曲名", {}, 12, u"曲名"},
      {u"101 曲名", {}, 101, u"曲名"},
      {u"1-01 曲名", 1, 1, u"曲名"},
      {u"2-13 - 曲名", 2, 13, u"曲名"},
      // A title that is a number.
      {u"01 1999", {}, 1, u"1999"},
      {u"01-1999", {}, 1, u"1999"},
      // Four digits are a year or a title, never a track.
      {u"2001年宇宙の旅", {}, {}, u"2001年宇宙の旅"},
      {u"1999 曲", {}, {}, u"1999 曲"},
      // Digits that run into the title.
      {u"3月の歌", {}, {}, u"3月の歌"},
      {u"1Q84", {}, {}, u"1Q84"},
      // Only a number: the name is its own title.
      {u"01", {}, {}, u"01"},
      {u"01 - ", {}, {}, u"01 - "},
      {u"00 Intro", {}, {}, u"00 Intro"},
      // A ripper's default name keeps itself as the title.
      {u"Track 01", {}, 1, u"Track 01"},
      {u"track07", {}, 7, u"track07"},
      {u"Track_3 - 曲名", {}, 3, u"曲名"},
      {u"Tracks of my tears", {}, {}, u"Tracks of my tears"},
      {u"アーティスト - 曲名", {}, {}, u"アーティスト - 曲名"},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    const NumberedTitle n = SplitLeadingNumber(c.name);
    EXPECT_EQ(n.disc, c.disc);
    EXPECT_EQ(n.track, c.track);
    EXPECT_EQ(n.title, c.title);
  }
}

TEST(DiscOfFolderName, DiscFoldersAndOtherFolders) {
  const std::pair<std::u16string, std::optional<int>> cases[] = {
      {u"CD1", 1},        {u"CD 2", 2},       {u"cd_3", 3},          {u"Disc 1", 1},
      {u"DISC2", 2},      {u"Disk 3", 3},     {u"disc-4", 4},        {u"ディスク1", 1},
      {u"ディスク　２", 2}, {u"ﾃﾞｨｽｸ3", 3},     {u"ＣＤ１", 1},          {u"Ｄｉｓｃ　１２", 12},
      {u"Disc 1 - サブタイトル", 1}, {u"CD2(ライブ)", 2},
      {u"CD", {}},        {u"CD0", {}},       {u"CD123", {}},        {u"CD1of2", {}},
      {u"Discography", {}}, {u"CD Singles 2", {}}, {u"青い空", {}}, {u"Best of CD1", {}},
  };
  for (const auto& [name, disc] : cases) EXPECT_EQ(DiscOfFolderName(name), disc) << Utf16ToUtf8(name);
}
