// "velquist --cover", "--extract-covers" and "--batch --embed-cover": the real program,
// without a display. The dry run prints the lines the pass then prints, a bad image is
// named with why and never embedded, and --undo restores every byte.
#include <gtest/gtest.h>

#include <QImage>

#include "support/ui/program_run.h"
#include "support/ui/test_images.h"
#include "test_util.h"

using namespace vqtest;

namespace {

constexpr char kNoTag[] = "14_notag_lame_mpeg1_l3_128k.mp3";
constexpr char kWithFront[] = "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3";

}  // namespace

TEST(CoverCommand, TheDryRunPrintsWhatThePassDoesAndUndoRestoresEveryByte) {
  TempDir dir, state;
  const std::string cover = JpegBytes(1000, 800);
  WriteBytes(dir / "歌手/青い空/cover.jpg", cover);
  const std::vector<std::string> files = {dir.CopyFixture(kNoTag, "歌手/青い空/01 朝.mp3"),
                                          dir.CopyFixture(kWithFront, "歌手/青い空/02 絵.mp3"),
                                          dir.CopyFixture(kNoTag, "歌手/無題/01.mp3")};
  std::vector<std::string> before;
  for (const std::string& f : files) before.push_back(ReadBytes(f));

  const ProgramOutcome dry = RunProgram({"--cover", "--dry-run", "--max-size", "500", dir.path()}, state.path());
  ASSERT_EQ(dry.status, 0) << dry.err;
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(ReadBytes(files[i]) == before[i]);
  const ProgramOutcome real = RunProgram({"--cover", "--max-size", "500", dir.path()}, state.path());
  ASSERT_EQ(real.status, 0) << real.err;
  EXPECT_EQ(dry.out, real.out);
  for (const std::string& line :
       {"表紙: " + dir / "歌手/青い空/cover.jpg（JPEG、1,000 × 800 ピクセル、",
        std::string("→ 500 × 400 ピクセル、"), dir / "歌手/青い空/01 朝.mp3\t表紙を追加\n",
        dir / "歌手/青い空/02 絵.mp3\t表紙があるのでそのまま\n", "表紙の画像がありません: " + dir / "歌手/無題/\n"})
    EXPECT_NE(real.out.find(line), std::string::npos) << line << "\n" << real.out;
  EXPECT_NE(dry.err.find("試行: 表紙を埋め込む曲: 1 / 3 曲"), std::string::npos) << dry.err;
  EXPECT_NE(real.err.find("表紙を埋め込んだ曲: 1 / 3 曲、表紙があるのでそのままの曲: 1 曲\n"
                          "表紙の画像があるフォルダ: 1、ないフォルダ: 1、使えない画像: 0\n"),
            std::string::npos)
      << real.err;
  const TagLibView tl = ReadWithTagLib(files[0]);
  ASSERT_EQ(tl.pictureFrames.size(), 1u);
  const std::string& embedded = tl.pictureFrames[0].data;
  EXPECT_EQ(QImage::fromData(reinterpret_cast<const uchar*>(embedded.data()), static_cast<int>(embedded.size())).size(),
            QSize(500, 400));

  const ProgramOutcome undo = RunProgram({"--undo"}, state.path());
  ASSERT_EQ(undo.status, 0) << undo.err;
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(ReadBytes(files[i]) == before[i]) << files[i];
}

// A truncated JPEG, a "PNG" that is a GIF, a 0-byte cover.jpg: each named with why on
// standard error (no decoder's own lines), its files left alone, status 1; the other
// folders get their covers.
TEST(CoverCommand, BadImagesAreNamedAndTheOtherFoldersGoOn) {
  TempDir dir, state;
  const std::string jpeg = JpegBytes(300, 300);
  WriteBytes(dir / "A/cover.jpg", jpeg.substr(0, jpeg.size() * 2 / 3));
  WriteBytes(dir / "B/cover.png", GifBytes());
  WriteBytes(dir / "C/cover.jpg", "");
  WriteBytes(dir / "D/cover.jpg", jpeg);
  for (const char* album : {"A", "B", "C", "D"}) dir.CopyFixture(kNoTag, std::string(album) + "/01.mp3");
  const ProgramOutcome r = RunProgram({"--cover", dir.path()}, state.path());
  EXPECT_EQ(r.status, 1);
  for (const std::string& line : {"表紙の画像を使えません: " + dir / "A/cover.jpg\n画像が途中で切れています。\n",
                                   "表紙の画像を使えません: " + dir / "B/cover.png\nJPEG か PNG の画像ではありません（GIF の画像です）。\n",
                                   "表紙の画像を使えません: " + dir / "C/cover.jpg\n画像のデータがありません（0 バイト）。\n"})
    EXPECT_NE(r.err.find(line), std::string::npos) << line << "\n" << r.err;
  EXPECT_EQ(r.err.find("JPEG data"), std::string::npos) << r.err;
  for (const char* album : {"A", "B", "C"})
    EXPECT_TRUE(ReadBytes(dir / (std::string(album) + "/01.mp3")) == ReadBytes(DataPath(kNoTag))) << album;
  EXPECT_TRUE(ReadWithTagLib(dir / "D/01.mp3").pictureFrames.at(0).data == jpeg);
}

// Covers only inside the files: one cover.jpg per album folder, the same lines with and
// without --dry-run; undo removes them.
TEST(CoverCommand, ExtractCoversWritesOneCoverPerAlbumAndUndoRemovesIt) {
  TempDir dir, state;
  const std::string first = JpegBytes(400, 400), second = PngBytes(200, 200);
  WriteBytes(dir / "一/cover.jpg", first);
  WriteBytes(dir / "二/front.png", second);
  for (const char* name : {"一/1.mp3", "一/2.mp3", "二/1.mp3"}) dir.CopyFixture(kNoTag, name);
  ASSERT_EQ(RunProgram({"--cover", dir.path()}, state.path()).status, 0);
  std::remove((dir / "一/cover.jpg").c_str());
  std::remove((dir / "二/front.png").c_str());

  const ProgramOutcome dry = RunProgram({"--extract-covers", "--dry-run", dir.path()}, state.path());
  EXPECT_NE(::access((dir / "一/cover.jpg").c_str(), F_OK), 0);
  const ProgramOutcome real = RunProgram({"--extract-covers", dir.path()}, state.path());
  ASSERT_EQ(real.status, 0) << real.err;
  EXPECT_EQ(dry.out, real.out);
  EXPECT_NE(real.out.find(dir / "一/cover.jpg ← 1.mp3（JPEG、400 × 400 ピクセル、"), std::string::npos) << real.out;
  EXPECT_TRUE(ReadBytes(dir / "一/cover.jpg") == first);
  EXPECT_TRUE(ReadBytes(dir / "二/cover.png") == second);
  EXPECT_EQ(real.err, "表紙を書き出したフォルダ: 2 / 2\n");

  ASSERT_EQ(RunProgram({"--undo"}, state.path()).status, 0);
  EXPECT_NE(::access((dir / "一/cover.jpg").c_str(), F_OK), 0);
  EXPECT_NE(::access((dir / "二/cover.png").c_str(), F_OK), 0);
}

// "--batch --embed-cover": the dry run's line says the cover goes in; the pass puts it in
// with the names, and names a folder without a cover image.
TEST(CoverCommand, TheBatchEmbedsCoversWithEmbedCover) {
  TempDir dir, state;
  const std::string jpeg = JpegBytes(200, 200);
  WriteBytes(dir / "歌手/アルバム/folder.jpg", jpeg);
  const std::string file = dir.CopyFixture(kNoTag, "歌手/アルバム/01 朝.mp3");
  dir.CopyFixture(kNoTag, "歌手/ライブ/01 夜.mp3");
  const ProgramOutcome dry = RunProgram({"--batch", "--embed-cover", "--dry-run", dir / "歌手"}, state.path());
  EXPECT_NE(dry.out.find(file + "\t曲名: 01 朝\t作者: 歌手\tアルバム: アルバム\tv1 v2 表紙\n"), std::string::npos) << dry.out;
  const ProgramOutcome real = RunProgram({"--batch", "--embed-cover", dir / "歌手"}, state.path());
  ASSERT_EQ(real.status, 0) << real.err;
  EXPECT_NE(real.err.find("表紙の画像がありません: " + dir / "歌手/ライブ/\n"), std::string::npos) << real.err;
  const TagLibView tl = ReadWithTagLib(file);
  EXPECT_EQ(tl.texts.find("TIT2")->second, "01 朝");
  EXPECT_TRUE(tl.pictureFrames.at(0).data == jpeg);
}
