// The plan of a rename over a listing: new paths, numbers for names that collide, files
// that move with their album, files left as they are, folders left empty, refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "passes/rename_plan.h"
#include "platform/text.h"
#include "test_util.h"

namespace fs = std::filesystem;
using Kind = vq::PlannedRename::Kind;
using vq::TagField;

namespace {

// Files on disk, each with the tags the plan reads for it.
class Listing {
 public:
  // rel: a path below the folder; tags: title, artist, album, track ("" for none), as
  // read from the file.
  void Add(const std::string& rel, const std::u16string& title, const std::u16string& artist = u"歌手",
           const std::u16string& album = u"アルバム", const std::u16string& track = u"1") {
    vqtest::MakeFile(dir / rel, 10);
    vq::TagFields f;
    const std::pair<TagField, std::u16string> values[] = {
        {TagField::Title, title}, {TagField::Artist, artist}, {TagField::Album, album}, {TagField::Track, track}};
    for (const auto& [field, v] : values)
      if (!v.empty()) f[field] = v;
    tags[rel] = f;
  }

  vq::RenamePlan Plan(const std::u16string& pattern) {
    // The listing: the files with tags; other MP3 files are there but not part of it.
    std::vector<vq::ListedFile> rows;
    std::vector<vq::FileFields> fields;
    for (auto& row : vq::ListFilesBelow(dir.path())) {
      const std::string rel = row.subfolderEntry.empty() ? row.name : row.subfolderEntry.substr(1) + "/" + row.name;
      if (!tags.count(rel)) continue;
      fields.push_back({tags.at(rel), {}});
      rows.push_back(std::move(row));
    }
    const auto parsed = vq::ParseRenamePattern(pattern);
    EXPECT_TRUE(parsed.pattern) << vq::Utf16ToUtf8(parsed.error);
    return vq::PlanRenames(dir.path(), rows, fields, *parsed.pattern);
  }

  // "old -> new" below the folder for each file that moves, "old: why" for the others.
  std::vector<std::string> Lines(const vq::RenamePlan& plan) const {
    std::vector<std::string> out;
    for (const auto& item : plan.items) {
      const std::string old = vq::Utf16ToUtf8(vq::ShownBelow(dir.path(), item.oldPath));
      if (item.Moves())
        out.push_back(old + " -> " + vq::Utf16ToUtf8(vq::ShownBelow(dir.path(), item.newPath)));
      else if (item.kind == Kind::Unchanged)
        out.push_back(old + ": unchanged");
      else
        out.push_back(old + ": " + vq::Utf16ToUtf8(item.why));
    }
    return out;
  }

  vqtest::TempDir dir;
  std::map<std::string, vq::TagFields> tags;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST(PlanRenames, NewPathsBelowTheFolderInListOrder) {
  Listing l;
  l.Add("b.mp3", u"夕立", u"山田花子", u"青い空", u"2");
  l.Add("a.mp3", u"朝: はじまり", u"山田花子", u"青い空", u"1");
  l.Add("c.MP3", u"夜", u"AC/DC", u"Live?", u"3");
  const auto plan = l.Plan(u"%artist%/%album%/%track% %title%");
  EXPECT_EQ(l.Lines(plan), (Lines{"a.mp3 -> 山田花子/青い空/01 朝： はじまり.mp3", "b.mp3 -> 山田花子/青い空/02 夕立.mp3",
                                  "c.MP3 -> AC／DC/Live？/03 夜.MP3"}));
  EXPECT_EQ(plan.renamed, 3u);
  EXPECT_TRUE(plan.emptiedFolders.empty());  // the folder itself is never one
}

TEST(PlanRenames, SameNamesGetNumbersInListOrder) {
  Listing l;
  l.Add("1.mp3", u"Song");
  l.Add("2.mp3", u"song");  // the same name to FAT and Windows
  l.Add("3.mp3", u"Song");
  l.Add("4.mp3", u"Other");
  vqtest::MakeFile(l.dir / "Other.mp3", 1);   // not listed: never replaced
  vqtest::MakeFile(l.dir / "Other (2).MP3", 1);
  const auto plan = l.Plan(u"%title%");
  EXPECT_EQ(l.Lines(plan), (Lines{"1.mp3 -> Song.mp3", "2.mp3 -> song (2).mp3", "3.mp3 -> Song (3).mp3",
                                  "4.mp3 -> Other (3).mp3"}));
}

TEST(PlanRenames, NamesOfListedFilesAreFreeOnceTheyHaveMovedAway) {
  Listing l;
  l.Add("01.mp3", u"02");  // 01 takes 02's name, which 02 gives up only after
  l.Add("02.mp3", u"03");
  l.Add("x.mp3", u"01");   // 01's name is free by then
  l.Add("same.mp3", u"same");
  l.Add("case.mp3", u"Case");
  const auto plan = l.Plan(u"%title%");
  EXPECT_EQ(l.Lines(plan), (Lines{"01.mp3 -> 02 (2).mp3", "02.mp3 -> 03.mp3", "case.mp3 -> Case.mp3",
                                  "same.mp3: unchanged", "x.mp3 -> 01.mp3"}));
  EXPECT_EQ(plan.unchanged, 1u);
}

TEST(PlanRenames, FilesWithoutTheFieldsStayAndAreCounted) {
  Listing l;
  l.Add("a.mp3", u"A", u"歌手", u"", u"1");
  l.Add("b.mp3", u"B", u"歌手", u"アルバム", u"");
  l.Add("c.mp3", u"C");
  const auto plan = l.Plan(u"%album%/%track% %title%");
  EXPECT_EQ(l.Lines(plan), (Lines{"a.mp3: タグに %album% がありません", "b.mp3: タグに %track% がありません",
                                  "c.mp3 -> アルバム/01 C.mp3"}));
  EXPECT_EQ(plan.missingTags, 2u);
  EXPECT_EQ(vq::PlanCountsText(plan), u"名前を変える曲: 1 曲、そのままの曲: 0 曲、タグが足りない曲: 2 曲");
}

TEST(PlanRenames, APatternThatGivesEveryFileOneNameIsRefused) {
  Listing l;
  l.Add("CD/1.mp3", u"A");
  l.Add("CD/2.mp3", u"B");
  l.Add("CD/3.mp3", u"C", u"歌手", u"");  // left as it is: does not save the pattern
  const auto plan = l.Plan(u"%artist%/%album%");
  EXPECT_TRUE(plan.items.empty());
  EXPECT_NE(plan.refusal.find(u"すべての曲が同じ名前「歌手/アルバム.mp3」"), std::u16string::npos);
  EXPECT_TRUE(l.Plan(u"%artist%/%title%").refusal.empty());
}

TEST(PlanRenames, OtherFilesMoveWithAnAlbumThatMovesWhole) {
  Listing l;
  l.Add("CD1/1.mp3", u"一", u"歌手", u"Album", u"1");
  l.Add("CD1/2.mp3", u"二", u"歌手", u"Album", u"2");
  vqtest::MakeFile(l.dir / "CD1/cover.jpg", 1);
  vqtest::MakeFile(l.dir / "CD1/album.cue", 1);
  vqtest::MakeFile(l.dir / "CD1/.hidden", 1);  // stays, and keeps the folder
  l.Add("CD2/1.mp3", u"三", u"歌手", u"Album", u"3");
  vqtest::MakeFile(l.dir / "CD2/cover.jpg", 1);
  l.Add("Mixed/1.mp3", u"四", u"歌手", u"Album", u"4");
  l.Add("Mixed/2.mp3", u"五", u"歌手", u"", u"5");  // stays: so does the rest of the folder
  vqtest::MakeFile(l.dir / "Mixed/notes.txt", 1);
  const auto plan = l.Plan(u"%album%/%track% %title%");
  EXPECT_EQ(l.Lines(plan), (Lines{"CD1/1.mp3 -> Album/01 一.mp3", "CD1/2.mp3 -> Album/02 二.mp3",
                                  "CD1/album.cue -> Album/album.cue", "CD1/cover.jpg -> Album/cover.jpg",
                                  "CD2/1.mp3 -> Album/03 三.mp3", "CD2/cover.jpg -> Album/cover (2).jpg",
                                  "Mixed/1.mp3 -> Album/04 四.mp3", "Mixed/2.mp3: タグに %album% がありません"}));
  EXPECT_EQ(plan.companions, 3u);
  EXPECT_EQ(plan.emptiedFolders, (std::vector<std::string>{l.dir / "CD2"}));
}

TEST(PlanRenames, FoldersLeftEmptyInnermostFirstAndSpellingsOfFoldersThatAreThere) {
  Listing l;
  l.Add("Old/Deep/1.mp3", u"T1", u"歌手", u"Album");
  l.Add("Old/Deep/2.mp3", u"T2", u"歌手", u"Album");
  fs::create_directories(l.dir / "Old/Empty");  // empty before: not the renames' doing
  fs::create_directories(l.dir / "ALBUM");
  l.Add("Other/1.mp3", u"T3", u"歌手", u"Album");
  const auto plan = l.Plan(u"%album%/%title%");
  EXPECT_EQ(l.Lines(plan), (Lines{"Old/Deep/1.mp3 -> ALBUM/T1.mp3", "Old/Deep/2.mp3 -> ALBUM/T2.mp3",
                                  "Other/1.mp3 -> ALBUM/T3.mp3"}));
  EXPECT_EQ(plan.emptiedFolders, (std::vector<std::string>{l.dir / "Old/Deep", l.dir / "Other"}));

  // A file where a folder is to be made.
  Listing blocked;
  blocked.Add("1.mp3", u"T", u"歌手", u"Album");
  blocked.Add("2.mp3", u"U", u"歌手", u"Other");
  vqtest::MakeFile(blocked.dir / "album", 1);
  EXPECT_EQ(blocked.Lines(blocked.Plan(u"%album%/%title%")),
            (Lines{"1.mp3: 新しいフォルダの場所に、同じ名前のファイルがあります", "2.mp3 -> Other/U.mp3"}));
}

TEST(ListFilesBelow, EveryDepthInNameOrderWithoutLinksOrHiddenEntries) {
  vqtest::TempDir dir;
  for (const char* rel : {"2.mp3", "10.mp3", "B/x.mp3", "a/2/y.mp3", "a/10/z.mp3", "a/w.mp3", ".h/h.mp3", "a/.v.mp3"})
    vqtest::MakeFile(dir / rel, 1);
  fs::create_directory_symlink(dir / "a", dir / "link");
  std::vector<std::string> got;
  for (const auto& row : vq::ListFilesBelow(dir.path())) got.push_back(row.subfolderEntry + "/" + row.name);
  EXPECT_EQ(got, (std::vector<std::string>{"/2.mp3", "/10.mp3", "/a/w.mp3", "/a/2/y.mp3", "/a/10/z.mp3", "/B/x.mp3"}));
}
