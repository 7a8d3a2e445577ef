// The conversion to Unicode through the main window (F2 and the button, over either
// listing mode) and through "velquist --to-unicode", the real program without a display.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>

#include "windows/passes/unicode_dialog.h"
#include "platform/fileio.h"
#include "widgets/folder_list.h"
#include "support/ui/program_run.h"
#include "support/ui/ui_test_util.h"
#include "unicode_collection.h"

using namespace vq;
using namespace vqtest;

namespace {

std::string TitleByTagLib(const std::string& path) {
  const TagLibView v = ReadWithTagLib(path, /*cp932=*/false);
  auto it = v.texts.find("TIT2");
  return it == v.texts.end() ? "<none>" : it->second;
}

using Outcome = ProgramOutcome;

Outcome Velquist(const std::vector<std::string>& args, const std::string& stateHome = "") {
  return RunProgram(args, stateHome);
}

}  // namespace

TEST(UnicodeConversionWindow, F2PreviewsThenEnterConvertsTheListingInEitherMode) {
  MainWindowHarness h;
  const UnicodeCollection c = MakeUnicodeCollection(h.music);
  MainWindow& f = h.Start(c.root);
  f.folderTree->setPath(c.Path("歌手"));
  ASSERT_EQ(RowCount(f.fileList), 5);  // 03, 04, 05 and アルバム's 01, 02

  // File-name mode: the folder's own three files; Esc closes without writing.
  QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);
  ASSERT_EQ(RowCount(f.fileList), 3);
  QString preview, summary;
  ModalDriver cancel([&](QDialog* d) {
    auto* w = static_cast<UnicodeConversionDialog*>(d);
    preview = w->previewText->toPlainText();
    summary = w->summaryLabel->text();
    QTest::keyClick(d, Qt::Key_Escape);
  });
  Press(f.tagFields[0], Qt::Key_F2);
  EXPECT_EQ(summary, QStringLiteral("変換する曲 3 曲、変更なし 0 曲、判定できない文字列のある曲 0 曲"));
  EXPECT_TRUE(preview.contains(QStringLiteral("  TIT2  夏の旅 → 夏の旅  (UTF-8)"))) << Utf8(preview);
  EXPECT_FALSE(preview.contains(QStringLiteral("01 はじめに"))) << Utf8(preview);
  for (const auto& [rel, bytes] : c.before) EXPECT_EQ(ReadBytes(c.Path(rel)), bytes) << rel;

  // Folder-structure mode, by mouse: the button opens it over five files; Enter starts.
  QTest::mouseClick(f.modeButtons[0], Qt::LeftButton);
  ASSERT_EQ(RowCount(f.fileList), 5);
  f.SelectFile(0);
  h.messages.Clear();
  bool startFocused = false;
  ModalDriver start([&](QDialog* d) {
    auto* w = static_cast<UnicodeConversionDialog*>(d);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("タグをUnicodeに変換"));
    EXPECT_EQ(w->startButton->accessibleName(), QStringLiteral("開始"));
    EXPECT_EQ(w->cancelButton->accessibleName(), QStringLiteral("キャンセル"));
    EXPECT_TRUE(w->previewText->toPlainText().contains(QStringLiteral("→ はじめに  (コードページ932)")));
    startFocused = w->focusWidget() == w->startButton;
    QTest::keyClick(d, Qt::Key_Return);
  });
  QTest::mouseClick(f.unicodeButton, Qt::LeftButton);
  EXPECT_TRUE(startFocused);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].text,
            QStringLiteral("タグをUnicodeに変換しました。\r\n変換 5 曲、変更なし 0 曲、判定できない文字列のある曲 0 曲"));
  EXPECT_EQ(TitleByTagLib(c.Path("歌手/アルバム/01 はじめに.mp3")), "はじめに");
  EXPECT_EQ(TitleByTagLib(c.Path("歌手/アルバム/02 european.mp3")), "déménageurs");
  EXPECT_EQ(TitleByTagLib(c.Path("歌手/04 v22.mp3")), "青い空");
  EXPECT_EQ(TitleByTagLib(c.Path("歌手/05 single.mp3")), "CDｼﾝｸﾞﾙ");
  // Outside the listing nothing changed.
  EXPECT_EQ(ReadBytes(c.Path("その他/x.mp3")), c.before.at("その他/x.mp3"));
  // The main window shows its selected file again (its ID3v1 title, which stays).
  EXPECT_EQ(CurrentRow(f.fileList), 0);
  EXPECT_EQ(f.tagFields[0]->text(), QStringLiteral("はじめに"));
}

TEST(UnicodeConversionWindow, AReadOnlyFileStopsTheRunWithTheUpdateError) {
  MainWindowHarness h;
  const UnicodeCollection c = MakeUnicodeCollection(h.music);
  MainWindow& f = h.Start(c.root);
  f.folderTree->setPath(c.Path("歌手"));
  ASSERT_EQ(::chmod(c.Path("歌手/04 v22.mp3").c_str(), 0444), 0);
  h.messages.Clear();
  ModalDriver start([&](QDialog* d) { QTest::keyClick(d, Qt::Key_Return); });
  // F2 reaches it from the file list too.
  f.fileList->setFocus();
  QTest::keyClick(f.fileList, Qt::Key_F2);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].caption, QStringLiteral("更新エラー"));
  EXPECT_EQ(h.messages.requests[0].text, QStringLiteral("ファイルの属性が読み取り専用になっていませんか?\r\n") +
                                             Utf8(c.Path("歌手/")) + QStringLiteral("\r\n04 v22.mp3"));
  // The folder's own files come first, in the listing's order; アルバム's come after them.
  for (const char* rel : {"歌手/04 v22.mp3", "歌手/アルバム/01 はじめに.mp3", "歌手/アルバム/02 european.mp3"})
    EXPECT_EQ(ReadBytes(c.Path(rel)), c.before.at(rel)) << rel;
}

TEST(ToUnicodeCommand, DryRunThenRunThenNothingLeft) {
  TempDir dir;
  const UnicodeCollection c = MakeUnicodeCollection(dir);
  const std::time_t date = LocalTime(2019, 1, 2, 3, 4, 5);
  for (const auto& [rel, bytes] : c.before) SetFileTimes(c.Path(rel), date);

  Outcome r = Velquist({"--to-unicode", "--dry-run", c.root});
  EXPECT_EQ(r.status, 0) << r.err;
  // Per file, what players show today (ISO-8859-1, control bytes as U+FFFD), what it
  // becomes and how it was read; then the undecided texts.
  for (const std::string& line : {
           c.Path("歌手/アルバム/01 はじめに.mp3") + "\n  TIT2  �Í�¶�ß�É → はじめに  (コードページ932)\n",
           c.Path("歌手/アルバム/02 european.mp3") + "\n  TIT2  déménageurs → déménageurs  (ISO-8859-1)\n",
           std::string("  TIT2  夏の旅 → 夏の旅  (UTF-8)\n"),
           c.Path("その他/x.mp3") + "\n  TIT2  CD¼Ý¸ÞÙ → CDｼﾝｸﾞﾙ  (コードページ932、ほかの文字列から判断)\n",
           c.Path("未判定/z.mp3") + "\n  TPE1  ±²³ → ｱｲｳ  (コードページ932)\n  TIT2  判定できません: �� (コードページ932では �)\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  EXPECT_EQ(r.out.find("ascii.mp3"), std::string::npos);
  EXPECT_NE(r.out.find("変換する曲 8 曲、変更なし 1 曲、判定できない文字列のある曲 1 曲\n"), std::string::npos) << r.out;
  for (const auto& [rel, bytes] : c.before) {
    EXPECT_EQ(ReadBytes(c.Path(rel)), bytes) << rel;
    EXPECT_EQ(ModifiedTime(c.Path(rel)), date) << rel;
  }

  r = Velquist({"--to-unicode", "--keep-date", c.root});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("変換しました: " + c.Path("歌手/03 v24.mp3") + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("判定できない文字列があります: " + c.Path("未判定/z.mp3") + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("変換 8 曲、変更なし 1 曲、判定できない文字列のある曲 1 曲\n"), std::string::npos) << r.out;
  EXPECT_EQ(TitleByTagLib(c.Path("その他/x.mp3")), "CDｼﾝｸﾞﾙ");
  for (const auto& [rel, bytes] : c.before) EXPECT_EQ(ModifiedTime(c.Path(rel)), date) << rel;

  r = Velquist({"--to-unicode", c.root});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("変換 0 曲、変更なし 9 曲"), std::string::npos) << r.out;
}

TEST(ToUnicodeCommand, ExitStatuses) {
  TempDir dir;
  const UnicodeCollection c = MakeUnicodeCollection(dir);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--to-unicode"}, {"--to-unicode", "--nope", c.root}, {"--to-unicode", dir / "missing"}}) {
    const Outcome r = Velquist(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("使い方: velquist --to-unicode"), std::string::npos);
  }
  ASSERT_EQ(::chmod(c.Path("その他/y.mp3").c_str(), 0444), 0);
  const Outcome r = Velquist({"--to-unicode", c.root});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("更新エラー: ファイルの属性が読み取り専用になっていませんか?\n" + c.Path("その他/") + "\ny.mp3\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadBytes(c.Path("その他/y.mp3")), c.before.at("その他/y.mp3"));
}
