// The readings window over the main window's listing (Shift+F5), driven by keys.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "formats/id3v2_writer.h"
#include "session/listing.h"
#include "support/ui/ui_test_util.h"
#include "windows/passes/readings_dialog.h"

using namespace vq;
using namespace vqtest;

namespace {

struct NoReports : WriteReporter {
  void ReportUpdateError(const std::u16string&, const std::u16string&) override { FAIL(); }
  void ReportError(const std::u16string&) override { FAIL(); }
};

// An untagged fixture copied to rel, tagged with (id, text) frames in UTF-16.
void TaggedFile(const TempDir& dir, const std::string& rel, const std::vector<std::pair<const char*, std::u16string>>& texts) {
  const std::string path = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", rel);
  std::vector<OutFrame> frames;
  for (const auto& [id, text] : texts) frames.push_back(MakeTextFrame(id, text, TextChoice::Unicode));
  NoReports reports;
  WriteBatchV2Tag(path, frames, 0, reports);
}

struct Row {
  QString text, reading, source;
  bool checked;
};

std::vector<Row> Rows(const QTableWidget* t) {
  std::vector<Row> rows;
  for (int r = 0; r < t->rowCount(); ++r)
    rows.push_back({t->item(r, ReadingsDialog::TextColumn)->text(), t->item(r, ReadingsDialog::ReadingColumn)->text(),
                    t->item(r, ReadingsDialog::SourceColumn)->text(),
                    t->item(r, ReadingsDialog::UseColumn)->checkState() == Qt::Checked});
  return rows;
}

}  // namespace

// Shift+F5 proposes: the collection's reading of 山下達郎 (from the file that has one) over
// the dictionary's, the dictionaries' clear reading confirmed, 奏 a suggestion. An
// edited reading checks its row; 開始 keeps the edited reading in the user's file and
// writes the checked rows' readings into the files' empty sort fields. The window's undo
// puts every byte back.
TEST(ReadingsWindow, ShiftF5ProposesTheReadingsStartWritesTheCheckedOnesUndoPutsThemBack) {
  MainWindowHarness h;
  ScopedEnv config("XDG_CONFIG_HOME", (h.music / "config").c_str());
  ScopedEnv state("XDG_STATE_HOME", (h.music / "state").c_str());
  TaggedFile(h.music, "歌手/01.mp3", {{"TIT2", u"きゃりーぱみゅぱみゅ"}, {"TPE1", u"山下達郎"}, {"TALB", u"東京事変"}});
  TaggedFile(h.music, "歌手/02.mp3",
             {{"TIT2", u"奏"}, {"TPE1", u"山下達郎"}, {"TSOP", u"ヤマシタタツロウ"}, {"TALB", u"東京事変"}});
  const std::string first = h.music / "歌手/01.mp3", second = h.music / "歌手/02.mp3";
  const std::string firstBefore = ReadBytes(first), secondBefore = ReadBytes(second);
  MainWindow& f = h.Start(h.music / "歌手");
  ASSERT_EQ(RowCount(f.fileList), 2);

  std::vector<Row> shown;
  QString summary;
  std::vector<UserReading> used;
  std::optional<PassResult> result;
  ModalDriver drive([&](QDialog* d) {
    auto* w = static_cast<ReadingsDialog*>(d);
    shown = Rows(w->readingsTable);
    summary = w->summaryLabel->text();
    QTableWidget* t = w->readingsTable;
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    // 奏: F2, a reading of one's own, Enter.
    t->setCurrentCell(3, ReadingsDialog::ReadingColumn);
    QTest::keyClick(t, Qt::Key_F2);
    auto* editor = t->findChild<QComboBox*>(QStringLiteral("readingEditor"));
    ASSERT_NE(editor, nullptr);
    EXPECT_GE(editor->findText(QStringLiteral("カナデ")), 1);  // among the dictionaries' alternatives
    EXPECT_EQ(editor->lineEdit()->selectedText(), QStringLiteral("ソウ"));  // typing replaces it
    for (QChar c : QStringLiteral("カナデ"))
      QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(editor, Qt::Key_Return);
    // 東京事変: Space on its check box leaves it out.
    t->setCurrentCell(2, ReadingsDialog::UseColumn);
    QTest::keyClick(t, Qt::Key_Space);
    // Enter in the table is 開始, the window's default button.
    QTest::keyClick(t, Qt::Key_Return);
    used = w->used();
    result = w->result();
  });
  f.tagFields[0]->setFocus();
  QTest::keyClick(f.tagFields[0], Qt::Key_F5, Qt::ShiftModifier);

  ASSERT_EQ(shown.size(), 4u) << Utf8(summary);
  const Row expected[] = {
      {QStringLiteral("きゃりーぱみゅぱみゅ"), QStringLiteral("キャリーパミュパミュ"), QStringLiteral("かな・確定"), true},
      {QStringLiteral("山下達郎"), QStringLiteral("ヤマシタタツロウ"), QStringLiteral("コレクション・確定"), true},
      {QStringLiteral("東京事変"), QStringLiteral("トウキョウジヘン"), QStringLiteral("辞書・確定"), true},
      {QStringLiteral("奏"), QStringLiteral("ソウ"), QStringLiteral("辞書・候補"), false},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(shown[i].text, expected[i].text) << i;
    EXPECT_EQ(shown[i].reading, expected[i].reading) << i;
    EXPECT_EQ(shown[i].source, expected[i].source) << i;
    EXPECT_EQ(shown[i].checked, expected[i].checked) << i;
  }
  EXPECT_EQ(summary, QStringLiteral("確定 3 件、候補 1 件、読みなし 0 件"));
  EXPECT_EQ(used, (std::vector<UserReading>{{u"きゃりーぱみゅぱみゅ", u"キャリーパミュパミュ"},
                                            {u"山下達郎", u"ヤマシタタツロウ"},
                                            {u"奏", u"カナデ"}}));
  EXPECT_EQ(ReadBytes(h.music / "config/velquist/readings.tsv"), "奏\tカナデ\n");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->changed, 2u);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].text, QStringLiteral("並べ替え用の読みを書き込みました。\r\n2 / 2 曲に書き込みました。"));
  const TagLibView one = ReadWithTagLib(first), two = ReadWithTagLib(second);
  auto text = [](const TagLibView& v, const char* id) {
    const auto it = v.texts.find(id);
    return it == v.texts.end() ? std::string("-") : it->second;
  };
  EXPECT_EQ(text(one, "TSOT"), "キャリーパミュパミュ");
  EXPECT_EQ(text(one, "TSOP"), "ヤマシタタツロウ");
  EXPECT_EQ(text(one, "TSOA"), "-");  // 東京事変 was left out
  EXPECT_EQ(text(two, "TSOT"), "カナデ");
  EXPECT_EQ(text(two, "TIT2"), "奏");

  // The button opens it again: only 東京事変 is left; Alt+U takes the pass back.
  h.messages.Clear();
  h.messages.answers.push_back(ui::MsgAnswer::Yes);
  int rowsBefore = -1, rowsAfter = -1;
  ModalDriver undo([&](QDialog* d) {
    auto* w = static_cast<ReadingsDialog*>(d);
    rowsBefore = w->readingsTable->rowCount();
    // A mnemonic reaches the active window, and clicks its button a moment later.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_U, Qt::AltModifier);
    QTRY_COMPARE(h.messages.requests.size(), 2u);
    rowsAfter = w->readingsTable->rowCount();
    QTest::keyClick(w, Qt::Key_Escape);
  });
  QTest::mouseClick(f.readingsButton, Qt::LeftButton);
  EXPECT_EQ(rowsBefore, 1);
  EXPECT_EQ(rowsAfter, 4);
  ASSERT_EQ(h.messages.requests.size(), 2u);
  EXPECT_TRUE(h.messages.requests[0].text.contains(QStringLiteral("読みの追加"))) << Utf8(h.messages.requests[0].text);
  EXPECT_EQ(ReadBytes(first), firstBefore);
  EXPECT_EQ(ReadBytes(second), secondBefore);
}

// A missing dictionary is named in one line; texts with kanji get no reading and are
// not checked, kana are still read.
TEST(ReadingsWindow, WithoutTheDictionaryItSaysWhichPackageToInstall) {
  TempDir music;
  // サカナクション reads as it is written: no row.
  TaggedFile(music, "01.mp3", {{"TIT2", u"ゆず"}, {"TPE1", u"東京事変"}, {"TALB", u"サカナクション"}});
  Session session;
  session.folder = music.path();
  session.rows = ListOwnFiles(music.path());
  ReadingsSetup setup;
  setup.dictionaries = {music / "no dictionary", ""};
  setup.userFile = music / "readings.tsv";
  ReadingsDialog w(session, setup);
  EXPECT_TRUE(w.summaryLabel->text().contains(QStringLiteral("sudo apt install mecab-ipadic-utf8")));
  const std::vector<Row> rows = Rows(w.readingsTable);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].reading, QStringLiteral("ユズ"));
  EXPECT_TRUE(rows[0].checked);
  EXPECT_EQ(rows[1].reading, QString());
  EXPECT_EQ(rows[1].source, QStringLiteral("なし"));
  EXPECT_FALSE(rows[1].checked);
  QTest::mouseClick(w.cancelButton, Qt::LeftButton);
  EXPECT_FALSE(w.result());
  EXPECT_FALSE(FileExists(music / "readings.tsv"));
}
