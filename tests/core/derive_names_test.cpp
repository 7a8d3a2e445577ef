// Artist, album and title from a file's place in the folder tree, and the file's path.
#include <gtest/gtest.h>

#include <string>

#include "passes/derive_names.h"
#include "platform/fileio.h"
#include "platform/text.h"

using namespace vq;

namespace {

struct Row {
  std::u16string folder, subfolder, file;
  std::u16string artist, album, title;
};

void ExpectNames(const Row& r) {
  SCOPED_TRACE(Utf16ToUtf8(r.folder + u" | " + r.subfolder + u" | " + r.file));
  DerivedNames n = DeriveNames(r.folder, r.subfolder, r.file);
  EXPECT_EQ(n.FolderName, r.artist);
  EXPECT_EQ(n.SubfolderName, r.album);
  EXPECT_EQ(n.FileTitle, r.title);
}

}  // namespace

TEST(DeriveNames, FolderSubfolderAndFileBecomeArtistAlbumAndTitle) {
  const Row rows[] = {
      {u"/music/Band", u"", u"01 Intro.mp3", u"Band", u"", u"01 Intro"},
      {u"/music/Band", u"/Live 1998", u"Encore.MP3", u"Band", u"Live 1998", u"Encore"},
      {u"/", u"/Mix", u"a.mp3", u"", u"Mix", u"a"},
      {u"/", u"", u".mp3", u"", u"", u""},
      // A path with no separator at all is taken whole.
      {u"Band", u"", u"x.mp3", u"Band", u"", u"x"},
  };
  for (const Row& r : rows) ExpectNames(r);
}

TEST(DeriveNames, OnlyTheLastFourCharactersAreDropped) {
  const Row rows[] = {
      {u"/m/B", u"", u"a.b.mp3", u"B", u"", u"a.b"},
      {u"/m/B", u"", u"Track.Mp3", u"B", u"", u"Track"},
      // Nothing inside the name is interpreted: numbers and " - " stay.
      {u"/m/B", u"", u"03 - Song - Live.mp3", u"B", u"", u"03 - Song - Live"},
      // The extension is not checked: any four characters go.
      {u"/m/B", u"", u"name.wav", u"B", u"", u"name"},
  };
  for (const Row& r : rows) ExpectNames(r);
}

TEST(DeriveNames, JapaneseNamesAreCutByCharactersNotBytes) {
  const Row rows[] = {
      {u"/music/サンプル歌手", u"/夏の旅", u"曲名.mp3", u"サンプル歌手", u"夏の旅", u"曲名"},
      {u"/音楽/珈琲ｶﾌｪ", u"", u"鶯のうた.MP3", u"珈琲ｶﾌｪ", u"", u"鶯のうた"},
  };
  for (const Row& r : rows) ExpectNames(r);
}

TEST(DeriveNames, LeadingSpacesGoFromFolderAndFileNamesOnlyTrailingSpacesStay) {
  const Row rows[] = {
      {u"/music/  Band", u"", u"x.mp3", u"Band", u"", u"x"},
      {u"/music/ Band ", u"", u"x.mp3", u"Band ", u"", u"x"},
      {u"/music/Band", u"/ Disc 2 ", u"x.mp3", u"Band", u" Disc 2 ", u"x"},
      {u"/music/Band", u"", u"  Track 3 .mp3", u"Band", u"", u"Track 3 "},
      // Only the space character is removed, not other blanks.
      {u"/music/\u3000Band", u"", u"\tx.mp3", u"\u3000Band", u"", u"\tx"},
      // A folder name of spaces only becomes empty.
      {u"/music/   ", u"", u"x.mp3", u"", u"", u"x"},
  };
  for (const Row& r : rows) ExpectNames(r);
}

TEST(DeriveNames, FileEntryShorterThanFourCharactersIsAnInvalidArgument) {
  for (const char16_t* file : {u"", u"mp3", u"a.m", u"   .mp", u"      "}) {
    SCOPED_TRACE(Utf16ToUtf8(file));
    try {
      DeriveNames(u"/music/Band", u"", file);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::InvalidArgument);
    }
  }
  // Four characters after the leading spaces are enough.
  EXPECT_EQ(DeriveNames(u"/music/Band", u"", u"   .mp3").FileTitle, u"");
}

TEST(DeriveNames, FilePathJoinsFolderSubfolderAndFileWithOneSeparator) {
  EXPECT_EQ(FilePath(u"/music/Band", u"", u"01 Intro.mp3"), u"/music/Band/01 Intro.mp3");
  EXPECT_EQ(FilePath(u"/music/Band", u"/Live 1998", u"Encore.MP3"),
            u"/music/Band/Live 1998/Encore.MP3");
  // At the root the path holds two separators in a row, which the file system accepts.
  EXPECT_EQ(FilePath(u"/", u"", u"a.mp3"), u"//a.mp3");
  EXPECT_EQ(FilePath(u"/", u"/Mix", u"a.mp3"), u"//Mix/a.mp3");
  // Nothing is trimmed in the path: the names are the file system's own.
  EXPECT_EQ(FilePath(u"/m/ B", u"/ D ", u"  曲名 .mp3"), u"/m/ B/ D /  曲名 .mp3");
}
