// "velquist --rename": the real program, without a display. The dry run prints what the
// pass then does, every file keeps its bytes under the printed name, --undo puts every
// path back; a pattern that cannot be used is refused with 2 before anything changes;
// a signal ends the pass between two renames.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "platform/codepage.h"
#include "platform/text.h"
#include "support/ui/program_run.h"
#include "test_util.h"

using namespace vqtest;
namespace fs = std::filesystem;

namespace {

// MPEG audio (the first `audioBytes` of it) with an ID3v1 record holding the texts in
// code page 932 and the track.
std::string Song(const std::u16string& title, const std::u16string& artist, const std::u16string& album, int track,
                 std::size_t audioBytes = std::string::npos) {
  static const std::string whole = ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  const std::string audio = whole.substr(0, audioBytes);
  auto field = [](const std::u16string& text, std::size_t size) {
    std::string bytes = vq::cp932::Encode(text);
    bytes.resize(size, '\0');
    return bytes;
  };
  std::string v1 = "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + "2001" + field(u"", 28);
  v1 += '\0';
  v1 += static_cast<char>(track);
  v1 += static_cast<char>(255);
  return audio + v1;
}

// Every entry below a folder: a file as its bytes and modification time, a folder as "/".
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    out[e.path().string().substr(root.size() + 1)] =
        e.is_directory() ? "/" : ReadBytes(e.path()) + "@" + std::to_string(st.st_mtim.tv_nsec);
  }
  return out;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace

TEST(RenameCommand, DryRunPrintsWhatThePassDoesEveryFileUnderItsNameAndUndoPutsEveryPathBack) {
  TempDir dir;
  const std::string music = dir / "music", state = dir / "state";
  WriteBytes(music + "/in/1.mp3", Song(u"朝/夜: 1?...", u"AC/DC", u"Live", 1));
  WriteBytes(music + "/in/2.mp3", Song(u"CON", u"AC/DC", u"Live", 2));
  WriteBytes(music + "/in/cover.jpg", "a cover");
  WriteBytes(music + "/3.mp3", Song(u"曲", u"歌手", u"", 3));
  const auto before = Snapshot(music);
  const std::vector<std::string> args = {"--rename", "%artist%/%album%/%track% %title%", music};

  std::vector<std::string> dryArgs = args;
  dryArgs.push_back("--dry-run");
  const ProgramOutcome dry = RunProgram(dryArgs, state);
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(Snapshot(music), before);
  const ProgramOutcome real = RunProgram(args, state);
  EXPECT_EQ(real.status, 0) << real.err;
  EXPECT_EQ(real.out, dry.out);
  const std::string live = music + "/AC／DC/Live/";
  EXPECT_EQ(LinesOf(real.out), (std::vector<std::string>{
                                   music + "/3.mp3\tそのまま: タグに %album% がありません",
                                   music + "/in/1.mp3\t" + live + "01 朝／夜： 1？.mp3",
                                   music + "/in/2.mp3\t" + live + "02 CON.mp3",
                                   music + "/in/cover.jpg\t" + live + "cover.jpg",
                                   music + "/in/\t空のフォルダを削除",
                               }));
  EXPECT_EQ(dry.err, "試行: 名前を変える曲: 2 曲、そのままの曲: 0 曲、タグが足りない曲: 1 曲、一緒に移すファイル: 1 個、"
                     "削除する空のフォルダ: 1 個。ファイルは変更していません。\n");
  EXPECT_EQ(real.err, "名前を変えた曲: 2 曲、そのままの曲: 0 曲、タグが足りない曲: 1 曲、一緒に移したファイル: 1 個、"
                      "削除した空のフォルダ: 1 個。\n");
  // Each file under the name printed with every byte and its date; the emptied folder gone.
  const auto after = Snapshot(music);
  EXPECT_EQ(after.at("AC／DC/Live/01 朝／夜： 1？.mp3"), before.at("in/1.mp3"));
  EXPECT_EQ(after.at("AC／DC/Live/cover.jpg"), before.at("in/cover.jpg"));
  EXPECT_EQ(after.count("in"), 0u);

  const ProgramOutcome undo = RunProgram({"--undo"}, state);
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_EQ(Snapshot(music), before);
}

TEST(RenameCommand, PatternsThatCannotBeUsedAreRefusedBeforeAnythingChanges) {
  TempDir dir;
  const std::string music = dir / "music", state = dir / "state";
  WriteBytes(music + "/1.mp3", Song(u"一", u"歌手", u"アルバム", 1));
  WriteBytes(music + "/2.mp3", Song(u"二", u"歌手", u"アルバム", 2));
  const auto before = Snapshot(music);
  const std::pair<std::string, std::string> cases[] = {
      {"title", "velquist: パターンにタグの項目がありません。"},
      {"%titel%", "velquist: 「%titel%」という項目はありません。"},
      {"../%title%", "velquist: パターンに「..」は使えません。"},
      {"/tmp/%title%", "velquist: パターンが「/」で始まっています。"},
      {"%artist%/%album%", "velquist: このパターンでは、すべての曲が同じ名前「歌手/アルバム.mp3」になります。"},
      {"\xff%title%", "velquist: パターンをUTF-8の文字として読めません。"},
  };
  for (const auto& [pattern, refusal] : cases) {
    SCOPED_TRACE(pattern);
    const ProgramOutcome r = RunProgram({"--rename", pattern, music}, state);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind(refusal, 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Snapshot(music), before);
  }
  EXPECT_FALSE(fs::exists(state + "/velquist"));  // no pass was recorded
}

// SIGINT once the first group is on its way (its journal exists): the pass ends between
// two renames, each file under exactly one name, the lines printed are the renames made,
// and undo puts every name back.
TEST(RenameCommand, ASignalEndsThePassBetweenTwoRenames) {
  TempDir dir;
  const std::string music = dir / "music", state = dir / "state";
  constexpr int kFiles = 1500;
  for (int i = 0; i < kFiles; ++i)
    WriteBytes(music + "/in/" + std::to_string(i) + ".mp3",
               Song(u"曲" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u" " +
                        vq::Utf8ToUtf16(std::to_string(i)),
                    u"歌手", u"アルバム", i % 200 + 1, 1000));
  const auto before = Snapshot(music);
  const std::string command = ProgramCommand({"--rename", "%album%/%title%", music}, state) + " >'" + dir / "out" +
                              "' 2>'" + dir / "err" + "' & p=$!; while kill -0 $p 2>/dev/null && ! ls '" + state +
                              "'/velquist/*.journal >/dev/null 2>&1; do sleep 0.001; done; kill -INT $p; wait $p; echo $? >'" +
                              dir / "status" + "'";
  std::system(command.c_str());
  if (ReadBytes(dir / "status") == "0\n") GTEST_SKIP() << "the pass ended before the signal";
  EXPECT_EQ(ReadBytes(dir / "status"), "130\n");
  EXPECT_EQ(ReadBytes(dir / "err").rfind("名前の変更を中断しました。\n", 0), 0u) << ReadBytes(dir / "err");
  const std::vector<std::string> lines = LinesOf(ReadBytes(dir / "out"));
  EXPECT_LT(lines.size(), static_cast<std::size_t>(kFiles));
  std::map<std::string, std::string> renamed;
  for (const std::string& line : lines) renamed[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
  for (int i = 0; i < kFiles; ++i) {
    const std::string old = music + "/in/" + std::to_string(i) + ".mp3";
    const auto it = renamed.find(old);
    const std::string now = it == renamed.end() ? old : it->second;
    ASSERT_TRUE(fs::exists(now)) << now;
    if (it != renamed.end()) ASSERT_FALSE(fs::exists(old)) << old;
  }
  EXPECT_EQ(RunProgram({"--undo"}, state).status, 0);
  EXPECT_EQ(Snapshot(music), before);
}
