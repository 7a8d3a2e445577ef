// "velquist --readings": the real program, without a display, on trees tagged from the
// fixtures, its readings file and journals in folders of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "formats/id3v2_writer.h"
#include "platform/fileio.h"
#include "support/ui/program_run.h"
#include "test_util.h"

using namespace vqtest;

namespace {

struct NoReports : vq::WriteReporter {
  void ReportUpdateError(const std::u16string&, const std::u16string&) override { FAIL(); }
  void ReportError(const std::u16string&) override { FAIL(); }
};

// An untagged fixture copied to rel, tagged with (id, text) frames in UTF-16.
std::string TaggedFile(const TempDir& dir, const std::string& rel,
                       const std::vector<std::pair<const char*, std::u16string>>& texts) {
  const std::string path = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", rel);
  std::vector<vq::OutFrame> frames;
  for (const auto& [id, text] : texts) frames.push_back(vq::MakeTextFrame(id, text, vq::TextChoice::Unicode));
  NoReports reports;
  vq::WriteBatchV2Tag(path, frames, 0, reports);
  return path;
}

std::string TextOf(const std::string& path, const char* id) {
  const TagLibView v = ReadWithTagLib(path);
  const auto it = v.texts.find(id);
  return it == v.texts.end() ? std::string("-") : it->second;
}

// A tree with a user's readings file and journals of its own.
struct Collection {
  TempDir dir;
  ScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").c_str()};
  std::string root = dir / "music";
  std::string state = dir / "state";
  ProgramOutcome Run(std::vector<std::string> args) {
    args.insert(args.begin(), "--readings");
    args.push_back(root);
    return RunProgram(args, state);
  }
};

}  // namespace

// The dry run prints what the run then writes, and writes nothing; the run fills the
// empty sort fields from the user's file, the collection, kana and both dictionaries,
// keeps a reading a file has, and prints the counts; undo puts every byte and date back.
TEST(ReadingsCommand, TheDryRunPrintsWhatTheRunWritesAndUndoPutsEveryByteBack) {
  Collection c;
  WriteBytes(c.dir / "config/velquist/readings.tsv", "故郷\tフルサト\n");
  const std::vector<std::string> files = {
      TaggedFile(c.dir, "music/歌手/01.mp3", {{"TIT2", u"きゃりーぱみゅぱみゅ"}, {"TPE1", u"山下達郎"}, {"TALB", u"東京事変"}}),
      TaggedFile(c.dir, "music/歌手/旅/02.mp3",
                 {{"TIT2", u"故郷"}, {"TPE1", u"山下達郎"}, {"TSOP", u"ヤマシタタツロウ"}, {"TPE2", u"B'z"}}),
  };
  const std::time_t date = LocalTime(2019, 1, 2, 3, 4, 5);
  std::vector<std::string> before;
  for (const std::string& f : files) {
    vq::SetFileTimes(f, date);
    before.push_back(ReadBytes(f));
  }

  const ProgramOutcome dry = c.Run({"--dry-run"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  const std::string written = files[0] + "\n  曲名  きゃりーぱみゅぱみゅ → キャリーパミュパミュ\n" +
                              "  作者名  山下達郎 → ヤマシタタツロウ\n  アルバム名  東京事変 → トウキョウジヘン\n" + files[1] +
                              "\n  曲名  故郷 → フルサト\n確定 4 件、候補 0 件、読みなし 0 件\n";
  EXPECT_EQ(dry.out, written);
  EXPECT_EQ(dry.err, "試行: 2 / 2 曲に読みを書き込みます。ファイルは変更していません。\n");
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(ReadBytes(files[i]), before[i]);
    EXPECT_EQ(vq::ModifiedTime(files[i]), date);
  }

  const ProgramOutcome run = c.Run({});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, written);
  EXPECT_EQ(run.err, "2 / 2 曲に読みを書き込みました。\n");
  EXPECT_EQ(TextOf(files[0], "TSOP"), "ヤマシタタツロウ");
  EXPECT_EQ(TextOf(files[0], "TSOA"), "トウキョウジヘン");
  EXPECT_EQ(TextOf(files[1], "TSOT"), "フルサト");
  EXPECT_EQ(TextOf(files[1], "TSO2"), "-");  // B'z reads as it is written

  const ProgramOutcome undo = RunProgram({"--undo"}, c.state);
  EXPECT_EQ(undo.status, 0) << undo.err;
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(ReadBytes(files[i]), before[i]) << files[i];
    EXPECT_EQ(vq::ModifiedTime(files[i]), date) << files[i];
  }
}

// A suggestion is listed with its alternatives and written only when accepted; a
// reading a file has is replaced only with --replace, which names the old one.
TEST(ReadingsCommand, SuggestionsOnlyWhenAcceptedReadingsReplacedOnlyWhenAsked) {
  Collection c;
  const std::string file = TaggedFile(c.dir, "music/01.mp3", {{"TIT2", u"奏"}, {"TPE1", u"星野源"}, {"TSOP", u"ホシノ"}});
  ProgramOutcome r = c.Run({});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find(file), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("確定 0 件、候補 1 件、読みなし 0 件\n候補: 奏 → ソウ  (ほかに: カナデ"), std::string::npos) << r.out;
  EXPECT_EQ(TextOf(file, "TSOT"), "-");

  r = c.Run({"--accept-suggestions"});
  EXPECT_NE(r.out.find(file + "\n  曲名  奏 → ソウ\n"), std::string::npos) << r.out;
  EXPECT_EQ(TextOf(file, "TSOT"), "ソウ");

  WriteBytes(c.dir / "config/velquist/readings.tsv", "奏\tカナデ\n星野源\tホシノゲン\n");
  r = c.Run({"--replace", "--unicode"});
  EXPECT_NE(r.out.find(file + "\n  曲名  奏 → カナデ  (元: ソウ)\n  作者名  星野源 → ホシノゲン  (元: ホシノ)\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(TextOf(file, "TSOT"), "カナデ");
  EXPECT_EQ(TextOf(file, "TSOP"), "ホシノゲン");
}

// Bad use is refused with the usage (2); a file whose tag cannot be carried whole is
// left as it is and named (1).
TEST(ReadingsCommand, ExitStatusesAndAFileLeftAlone) {
  Collection c;
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--readings"}, {"--readings", "--new-only", c.dir.path()}, {"--readings", c.dir / "missing"}}) {
    const ProgramOutcome r = RunProgram(args, c.state);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("使い方: velquist --readings"), std::string::npos) << r.err;
  }
  // A v2.3 tag with bytes after its one frame (10 + 7 bytes) that are not padding.
  const std::string file = TaggedFile(c.dir, "music/01.mp3", {{"TIT2", u"ゆず"}});
  std::string bytes = ReadBytes(file);
  ASSERT_EQ(bytes[40], '\0');
  bytes[40] = 'x';
  WriteBytes(file, bytes);
  const ProgramOutcome r = c.Run({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("読みを書き込みませんでした: " + file + "\n  タグのフレームを読み切れないので"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadBytes(file), bytes);
}

// Without the dictionaries (hidden by an empty folder over theirs) one line says which
// package to install; kana are still read, and the kanji texts are listed as unread.
TEST(ReadingsCommand, WithoutADictionaryOneLineSaysWhichPackageToInstall) {
  Collection c;
  const std::string file = TaggedFile(c.dir, "music/01.mp3", {{"TIT2", u"ゆず"}, {"TPE1", u"東京事変"}});
  WriteBytes(c.dir / "run.sh", ProgramCommand({"--readings", c.root}, c.state) + " >'" + c.dir / "out" + "' 2>'" +
                                   c.dir / "err" + "'\n");
  const std::string hide = "unshare -m sh -c 'mount -t tmpfs none /var/lib/mecab/dic && sh \"" + c.dir / "run.sh" + "\"'";
  const int status = std::system(hide.c_str());
  if (!vq::FileExists(c.dir / "err")) GTEST_SKIP() << "hiding the dictionaries needs a mount namespace (root)";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadBytes(c.dir / "err"),
            "読みの辞書がありません(/var/lib/mecab/dic/ipadic-utf8)。漢字の読みには「sudo apt install "
            "mecab-ipadic-utf8」で辞書を入れてください。\n1 / 1 曲に読みを書き込みました。\n");
  EXPECT_EQ(ReadBytes(c.dir / "out"), file + "\n  曲名  ゆず → ユズ\n確定 1 件、候補 0 件、読みなし 1 件\n読みなし: 東京事変\n");
  EXPECT_EQ(TextOf(file, "TSOT"), "ユズ");
  EXPECT_EQ(TextOf(file, "TSOP"), "-");
}

// A signal in the middle of the pass ends it between two files: a file is printed only
// once it is written, and the stop is told in the pass's own words.
TEST(ReadingsCommand, ASignalEndsThePassBetweenFilesAndNamesOnlyFilesWritten) {
  Collection c;
  const std::string bytes = ReadBytes(TaggedFile(c.dir, "one.mp3", {{"TIT2", u"ゆず"}}));
  std::vector<std::string> songs;
  for (int i = 0; i < 4000; ++i) {
    songs.push_back(c.root + "/" + std::to_string(10000 + i) + ".mp3");
    WriteBytes(songs.back(), bytes);
  }
  // The signal comes once the first group is on its way (its journal exists).
  const std::string command = ProgramCommand({"--readings", c.root}, c.state) + " >'" + c.dir / "out" + "' 2>'" +
                              c.dir / "err" + "' & p=$!; while kill -0 $p 2>/dev/null && ! ls '" + c.state +
                              "'/velquist/*.journal >/dev/null 2>&1; do sleep 0.001; done; kill -INT $p; wait $p; echo $? >'" +
                              c.dir / "status" + "'";
  std::system(command.c_str());
  if (ReadBytes(c.dir / "status") == "0\n") GTEST_SKIP() << "the pass ended before the signal";
  EXPECT_EQ(ReadBytes(c.dir / "status"), "130\n");
  EXPECT_EQ(ReadBytes(c.dir / "err").rfind("読みの追加を中断しました。\n", 0), 0u) << ReadBytes(c.dir / "err");
  int written = 0;
  for (const std::string& s : songs) written += ReadBytes(s) != bytes;
  const std::string out = ReadBytes(c.dir / "out");
  int named = 0;
  for (std::size_t at = out.find("  曲名  ゆず → ユズ\n"); at != std::string::npos; at = out.find("  曲名  ゆず → ユズ\n", at + 1))
    ++named;
  EXPECT_EQ(named, written);
  EXPECT_LT(written, 4000);
}
