// The batch pass with "曲番号", "番号を振る" and naming patterns, on real files read back by
// TagLib: what each naming style writes, ID3v1.1 only where the comment leaves room,
// files a pattern does not match left alone, and the dry run planning what the pass then
// writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "pass_recorder.h"
#include "test_util.h"

using namespace vq;
using vqtest::ReadBytes;
using vqtest::ReadWithTagLib;
using vqtest::TempDir;

namespace {

// A TagLib text, "-" for a frame the file does not have.
std::string Text(const vqtest::TagLibView& view, const std::string& id) {
  const auto it = view.texts.find(id);
  return it == view.texts.end() ? "-" : it->second;
}

BatchSettings WithNaming(BatchNaming naming) {
  BatchSettings s;
  s.naming = std::move(naming);
  return s;
}

}  // namespace

// Every naming style of a real collection, in one album folder, read back as TagLib sees
// it: title, TRCK, TPOS and the ID3v1.1 track byte.
TEST(BatchNamingPass, NamingStylesGiveTitleTrackAndDisc) {
  struct Style {
    const char* name;
    const char *title, *track, *disc;
    unsigned v1Track;
  };
  // Tracks 1, 2, 3, 4, 5 and 7 but no 6: the album has a gap, so no "/N".
  const Style styles[] = {
      {"01 朝.mp3", "朝", "1", "-", 1},
      {"02 - 昼.mp3", "昼", "2", "-", 2},
      {"03. 夜.mp3", "夜", "3", "-", 3},
      {"04_夕方.mp3", "夕方", "4", "-", 4},
      {"Track 05.mp3", "Track 05", "5", "-", 5},
      {"０７　深夜.mp3", "深夜", "7", "-", 7},
      {"1-02 二曲目.mp3", "二曲目", "2", "1/1", 2},
      {"08 1999.mp3", "1999", "8", "-", 8},
      {"2001年宇宙の旅.mp3", "2001年宇宙の旅", "-", "-", 0},
      {"3月の歌.mp3", "3月の歌", "-", "-", 0},
  };
  TempDir dir;
  BatchList list;
  list.folder = dir.path() + "/歌手";
  std::vector<std::string> paths;
  for (const Style& s : styles) {
    paths.push_back(dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", std::string("歌手/アルバム/") + s.name));
    list.rows.push_back(MakeRow("/アルバム", s.name));
  }
  BatchNaming naming;
  naming.trackNumbers = true;
  vqtest::PassRecorder rec;
  const PassResult r = RunBatch(list, WithNaming(naming), rec);
  ASSERT_FALSE(r.failed()) << Utf16ToUtf8(rec.Failures().front());
  EXPECT_EQ(r.changed, std::size(styles));
  for (std::size_t i = 0; i < std::size(styles); ++i) {
    SCOPED_TRACE(styles[i].name);
    const auto view = ReadWithTagLib(paths[i]);
    EXPECT_EQ(Text(view, "TIT2"), styles[i].title);
    EXPECT_EQ(Text(view, "TALB"), "アルバム");
    EXPECT_EQ(Text(view, "TPE1"), "歌手");
    EXPECT_EQ(Text(view, "TRCK"), styles[i].track);
    EXPECT_EQ(Text(view, "TPOS"), styles[i].disc);
    EXPECT_EQ(view.v1Track, styles[i].v1Track);
  }
}

// ID3v1.1 takes the comment's last two bytes only when they are free: a 30-byte comment
// stays whole and the record gets no track; a short one keeps its text beside the track.
TEST(BatchNamingPass, TheID3v1TrackOnlyWhereTheCommentLeavesRoom) {
  TempDir dir;
  const std::string audio = ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  auto record = [](const std::string& comment) {
    std::string r = "TAG" + std::string(90, '\0') + "2001" + comment;
    r.resize(127, '\0');
    return r + '\x0c';
  };
  const std::string longComment = "A comment of thirty characters";
  vqtest::WriteBytes(dir / "歌手/盤/01 長い.mp3", audio + record(longComment));
  vqtest::WriteBytes(dir / "歌手/盤/02 短い.mp3", audio + record("short"));
  BatchList list{dir / "歌手", {MakeRow("/盤", "01 長い.mp3"), MakeRow("/盤", "02 短い.mp3")}};
  BatchNaming naming;
  naming.trackNumbers = true;
  vqtest::PassRecorder rec;
  ASSERT_FALSE(RunBatch(list, WithNaming(naming), rec).failed());
  const auto full = ReadWithTagLib(dir / "歌手/盤/01 長い.mp3");
  EXPECT_EQ(full.v1Comment, longComment);
  EXPECT_EQ(full.v1Track, 0u);
  EXPECT_EQ(Text(full, "TRCK"), "1/2");
  const auto room = ReadWithTagLib(dir / "歌手/盤/02 短い.mp3");
  EXPECT_EQ(room.v1Comment, "short");
  EXPECT_EQ(room.v1Track, 2u);
  EXPECT_EQ(room.v1Genre, 12u);
}

// A file the pattern does not match is not even opened (a read-only one does not fail),
// keeps every byte, is reported skipped with the reason, and the pass goes on; the dry
// run plans exactly the values the pass writes and writes nothing.
TEST(BatchNamingPass, APatternLeavesFilesItDoesNotMatchAloneAndTheDryRunPlansTheWrites) {
  TempDir dir;
  const std::string folder = dir / "シングル";
  // Singles copied from Windows: names in Shift-JIS bytes.
  const std::vector<std::string> names = {cp932::Encode(u"鈴木一郎 - 夏の終わり.mp3"), cp932::Encode(u"おまけ.mp3"),
                                          "ABC48　－　会いたかった.mp3"};
  BatchList list{folder, {}};
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    paths.push_back(dir.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "シングル/" + name));
    list.rows.push_back(MakeRow("", name));
  }
  ::chmod(paths[1].c_str(), 0444);
  std::vector<std::string> before;
  for (const auto& p : paths) before.push_back(ReadBytes(p));
  BatchNaming naming;
  naming.pattern = ParseNamePattern(u"%artist% - %title%").pattern;
  BatchSettings settings = WithNaming(naming);

  settings.dryRun = true;
  BatchPass dry(list.folder, list.rows, settings);
  vqtest::PassRecorder dryRec;
  const PassResult planned = dry.Run(dryRec);
  for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(ReadBytes(paths[i]), before[i]);
  EXPECT_EQ(planned.skipped, 1u);

  settings.dryRun = false;
  BatchPass real(list.folder, list.rows, settings);
  vqtest::UndoRecorder rec;
  const PassResult r = real.Run(rec);
  EXPECT_FALSE(r.failed());
  EXPECT_EQ(r.changed, 2u);
  EXPECT_EQ(r.skipped, 1u);
  EXPECT_EQ(rec.skippedPaths, std::vector<std::string>{paths[1]});
  EXPECT_EQ(ReadBytes(paths[1]), before[1]);
  EXPECT_EQ(real.PlanOf(1).unmatched, u"ファイル名「おまけ」がパターンの「%artist% - %title%」に合いません。");

  const auto first = ReadWithTagLib(paths[0]);
  EXPECT_EQ(Text(first, "TPE1"), "鈴木一郎");
  EXPECT_EQ(Text(first, "TIT2"), "夏の終わり");
  const auto third = ReadWithTagLib(paths[2]);
  EXPECT_EQ(Text(third, "TPE1"), "ABC48");
  EXPECT_EQ(Text(third, "TIT2"), "会いたかった");
  // The album the pattern does not name stays as the file had it.
  EXPECT_EQ(Text(third, "TALB"), Text(ReadWithTagLib(vqtest::DataPath("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3")), "TALB"));
  for (std::size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(dry.PlanOf(i).values, real.PlanOf(i).values) << i;
    EXPECT_EQ(dry.PlanOf(i).v1, real.PlanOf(i).v1) << i;
    EXPECT_EQ(dry.PlanOf(i).v2, real.PlanOf(i).v2) << i;
  }
}
