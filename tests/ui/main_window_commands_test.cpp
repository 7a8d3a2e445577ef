// The main window's function-key commands, pressed in the tag fields on real files:
// writing the ID3v1 tag (append, replace, limits, keep-date, failures), undo, play,
// names from the file, values from the ID3v2 listing, the two modal windows, the
// disabled delete key and quit. Written tags are read back with TagLib.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <cerrno>
#include <ctime>
#include <filesystem>

#include "windows/passes/batch_dialog.h"
#include "platform/fileio.h"
#include "widgets/dialogs.h"
#include "widgets/shell.h"
#include "support/ui/ui_test_util.h"
#include "windows/editor/tag_editor.h"
#include "windows/viewer/reference_viewer.h"

using vq::ui::Dialogs;
using vq::ui::MsgAnswer;
using vqtest::Focus;
using vqtest::CurrentRow;
using vqtest::RowCount;
using vqtest::SelectRow;
using vqtest::MainWindowHarness;
using vqtest::Press;
using vqtest::Type;
using vqtest::ReadBytes;
using vqtest::Rows;
using vqtest::Utf8;

namespace {

const char kNoTag[] = "14_notag_lame_mpeg1_l3_128k.mp3";     // no tags, 25,076 bytes
const char kBothTags[] = "11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3";

void SetMtime(const std::string& path, std::time_t t) {
  struct utimbuf b {t, t};
  ASSERT_EQ(::utime(path.c_str(), &b), 0);
}

std::time_t Mtime(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mtime;
}


QString Str(const char16_t* s) { return QString::fromUtf16(s); }

int OpenDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// One file in its own folder, listed in file-name mode and selected.
struct OneFile {
  MainWindowHarness h;
  std::string path;
  OneFile(const char* fixture, const std::string& name, std::time_t mtime = 0) {
    path = h.music.CopyFixture(fixture, name);
    if (mtime != 0) SetMtime(path, mtime);
    h.WritePathDat({"1"});
    h.Start();
    EXPECT_EQ(CurrentRow(h.form->fileList), 0);
  }
  vq::MainWindow& f() { return *h.form; }
};

}  // namespace

// ---------------------------------------------------------------- 0 "v1更新(F9)"

TEST(MainWindowWriteV1, F9AppendsANewTagAndASecondF9ReplacesIt) {
  OneFile t(kNoTag, "plain.mp3");
  auto& f = t.f();
  const std::string original = ReadBytes(t.path);
  ASSERT_EQ(f.v1Mark->text(), "");

  Type(f.tagFields[0], Str(u"日本語の曲名"));
  Type(f.tagFields[1], "Artist");
  Type(f.tagFields[2], Str(u"ｱﾙﾊﾞﾑ"));
  Type(f.tagFields[3], "a comment");
  Type(f.tagFields[4], "1999");
  Type(f.tagFields[5], "17");
  Press(f.tagFields[5], Qt::Key_F9);

  EXPECT_TRUE(t.h.messages.requests.empty());
  std::string bytes = ReadBytes(t.path);
  ASSERT_EQ(bytes.size(), original.size() + 128);
  EXPECT_EQ(bytes.substr(0, original.size()), original);  // the audio is untouched
  EXPECT_EQ(bytes.substr(original.size(), 3), "TAG");
  EXPECT_EQ(f.v1Mark->text(), "v1");
  EXPECT_EQ(f.storedValueLabels[0]->text(), Str(u"日本語の曲名"));
  EXPECT_EQ(f.storedValueLabels[1]->text(), "Artist");
  EXPECT_EQ(f.storedValueLabels[2]->text(), Str(u"ｱﾙﾊﾞﾑ"));
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[0]);  // F9 ends in the title field

  auto tl = vqtest::ReadWithTagLib(t.path);
  ASSERT_TRUE(tl.hasV1);
  EXPECT_EQ(tl.v1Title, "日本語の曲名");
  EXPECT_EQ(tl.v1Artist, "Artist");
  EXPECT_EQ(tl.v1Album, "ｱﾙﾊﾞﾑ");
  EXPECT_EQ(tl.v1Comment, "a comment");
  EXPECT_EQ(tl.v1Year, 1999u);
  EXPECT_EQ(tl.v1Genre, 17u);

  // Without reselecting: the indicator makes the second update replace the tag.
  Type(f.tagFields[0], "Second");
  Type(f.tagFields[5], "255");
  Press(f.tagFields[1], Qt::Key_F9);
  bytes = ReadBytes(t.path);
  ASSERT_EQ(bytes.size(), original.size() + 128);
  EXPECT_EQ(bytes.substr(0, original.size()), original);
  tl = vqtest::ReadWithTagLib(t.path);
  EXPECT_EQ(tl.v1Title, "Second");
  EXPECT_EQ(tl.v1Artist, "Artist");
  EXPECT_EQ(tl.v1Genre, 255u);
  EXPECT_EQ(f.storedValueLabels[0]->text(), "Second");

  // Reading the file again shows what was written.
  f.SelectFile(0);
  EXPECT_EQ(f.tagFields[0]->text(), "Second");
  EXPECT_EQ(f.tagFields[2]->text(), Str(u"ｱﾙﾊﾞﾑ"));
  EXPECT_EQ(f.tagFields[5]->text(), "255");
}

TEST(MainWindowWriteV1, LeadingSpacesStayInAnAppendedTagAndGoInAReplacedOne) {
  OneFile t(kNoTag, "plain.mp3");
  auto& f = t.f();
  const std::size_t size = ReadBytes(t.path).size();
  Type(f.tagFields[0], "  lead");
  Press(f.tagFields[0], Qt::Key_F9);
  std::string bytes = ReadBytes(t.path);
  ASSERT_EQ(bytes.size(), size + 128);
  EXPECT_EQ(bytes.substr(size + 3, 30), "  lead" + std::string(24, ' '));
  EXPECT_EQ(bytes.substr(size + 97, 30), std::string(30, ' '));  // empty comment: spaces, no NUL

  Press(f.tagFields[0], Qt::Key_F9);
  bytes = ReadBytes(t.path);
  ASSERT_EQ(bytes.size(), size + 128);
  EXPECT_EQ(bytes.substr(size + 3, 30), "lead" + std::string(26, ' '));
  EXPECT_EQ(f.storedValueLabels[0]->text(), "  lead");  // the label keeps the field's full text
}

TEST(MainWindowWriteV1, F9CutsTheFieldToItsByteLimitBeforeWriting) {
  OneFile t(kNoTag, "plain.mp3");
  auto& f = t.f();

  // 40 bytes in the title: 30 are kept and written.
  const QString forty = "0123456789abcdefghijABCDEFGHIJklmnopqrst";
  Type(f.tagFields[0], forty);
  Dialogs::ResetBeepCount();
  QTest::keyClick(f.tagFields[0], Qt::Key_F9);
  EXPECT_EQ(Dialogs::BeepCount(), 1);
  EXPECT_EQ(f.tagFields[0]->text(), forty.left(30));
  EXPECT_EQ(vqtest::ReadWithTagLib(t.path).v1Title, Utf8(forty.left(30)));

  // 29 single-byte characters and one double-byte character: 31 bytes, cut to 29.
  const QString mixed = QString(29, QChar('x')) + Str(u"曲");
  Type(f.tagFields[1], mixed);
  Dialogs::ResetBeepCount();
  QTest::keyClick(f.tagFields[1], Qt::Key_F9);
  EXPECT_EQ(Dialogs::BeepCount(), 1);
  EXPECT_EQ(f.tagFields[1]->text(), QString(29, QChar('x')));
  EXPECT_EQ(vqtest::ReadWithTagLib(t.path).v1Artist, std::string(29, 'x'));

  // A year of five digits is written as four.
  Type(f.tagFields[4], "20245");
  Dialogs::ResetBeepCount();
  QTest::keyClick(f.tagFields[4], Qt::Key_F9);
  EXPECT_EQ(Dialogs::BeepCount(), 1);
  EXPECT_EQ(f.tagFields[4]->text(), "2024");
  EXPECT_EQ(vqtest::ReadWithTagLib(t.path).v1Year, 2024u);
  std::string bytes = ReadBytes(t.path);
  EXPECT_EQ(bytes.substr(bytes.size() - 128 + 93, 4), "2024");

  // Exactly 30 bytes (15 double-byte characters): written whole, no beep.
  const QString fifteen = Str(u"一二三四五六七八九十壱弐参肆伍");
  Type(f.tagFields[2], fifteen);
  Dialogs::ResetBeepCount();
  QTest::keyClick(f.tagFields[2], Qt::Key_F9);
  EXPECT_EQ(Dialogs::BeepCount(), 0);
  EXPECT_EQ(f.tagFields[2]->text(), fifteen);
  EXPECT_EQ(vqtest::ReadWithTagLib(t.path).v1Album, Utf8(fifteen));
  EXPECT_TRUE(t.h.messages.requests.empty());
}

TEST(MainWindowWriteV1, KeepDateLeavesTheListedModificationTime) {
  const std::time_t listed = vqtest::LocalTime(2001, 2, 3, 4, 5, 6);
  OneFile t(kNoTag, "dated.mp3", listed);
  auto& f = t.f();
  // Someone touches the file after the listing: the listed date is what comes back.
  SetMtime(t.path, vqtest::LocalTime(2010, 1, 1, 0, 0, 0));

  QTest::mouseClick(f.keepDateBox, Qt::LeftButton);
  ASSERT_TRUE(f.keepDateBox->isChecked());
  Type(f.tagFields[0], "Kept");
  Press(f.tagFields[0], Qt::Key_F9);
  // The times first: reading the file may move its access time.
  struct stat st {};
  ASSERT_EQ(::stat(t.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, listed);
  EXPECT_EQ(st.st_atime, listed);
  EXPECT_EQ(vqtest::ReadWithTagLib(t.path).v1Title, "Kept");

  // Without the check box the write gives the file a new date.
  QTest::mouseClick(f.keepDateBox, Qt::LeftButton);
  ASSERT_FALSE(f.keepDateBox->isChecked());
  Type(f.tagFields[0], "Dated");
  const std::time_t before = std::time(nullptr);
  Press(f.tagFields[0], Qt::Key_F9);
  EXPECT_GE(Mtime(t.path), before - 1);
}

TEST(MainWindowWriteV1, KeepDateInASubfolderUsesTheRowsListedDate) {
  MainWindowHarness h;
  const std::time_t first = vqtest::LocalTime(1999, 12, 31, 23, 59, 58);
  const std::time_t second = vqtest::LocalTime(2005, 6, 7, 8, 9, 10);
  std::string a = h.music.CopyFixture(kNoTag, "Band/a.mp3");
  std::string b = h.music.CopyFixture(kBothTags, "Band/Disc 1/b.mp3");
  SetMtime(a, first);
  SetMtime(b, second);
  h.WritePathDat({"0", "/", h.music / "Band", " 1 "});
  auto& f = h.Start();
  ASSERT_TRUE(f.keepDateBox->isChecked());
  int row = Rows(f.fileList).indexOf("b.mp3");
  ASSERT_GE(row, 0);
  SelectRow(f.fileList, row);
  Type(f.tagFields[0], "In Disc 1");
  Press(f.tagFields[0], Qt::Key_F9);
  EXPECT_EQ(vqtest::ReadWithTagLib(b).v1Title, "In Disc 1");
  EXPECT_EQ(Mtime(b), second);
  EXPECT_EQ(Mtime(a), first);
}

TEST(MainWindowWriteV1, AReadOnlyFileGivesTheUpdateErrorAndStaysUnchanged) {
  MainWindowHarness h;
  std::string path = h.music.CopyFixture(kBothTags, "Band/Disc 1/locked.mp3");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const std::string before = ReadBytes(path);
  h.WritePathDat({"0", "/", h.music / "Band"});
  auto& f = h.Start();
  ASSERT_EQ(CurrentRow(f.fileList), 0);  // selected after the listing's warning
  h.messages.Clear();
  const int fds = OpenDescriptors();

  Type(f.tagFields[0], "Changed");
  Press(f.tagFields[0], Qt::Key_F9);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].caption, Str(u"更新エラー"));
  EXPECT_EQ(h.messages.requests[0].text, Str(u"ファイルの属性が読み取り専用になっていませんか?") + "\r\n" +
                                             Utf8(h.music / "Band/Disc 1/") + "\r\n" + "locked.mp3");
  EXPECT_EQ(h.messages.requests[0].buttons, vq::ui::MsgButtons::Ok);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(f.storedValueLabels[0]->text(), "V1 Title");
  EXPECT_EQ(OpenDescriptors(), fds);
}

TEST(MainWindowWriteV1, AnInvalidGenreLeavesFileAndStoredValuesUnchanged) {
  OneFile t(kBothTags, "both.mp3");
  auto& f = t.f();
  const std::string before = ReadBytes(t.path);
  const struct {
    const char* genre;
    const char16_t* message;
  } cases[] = {{"256", u"オーバーフローしました。"},
               {"abc", u"型が一致しません。"},
               {"-1", u"型が一致しません。"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.genre);
    t.h.messages.Clear();
    Type(f.tagFields[0], "New Title");
    Type(f.tagFields[1], "New Artist");
    Type(f.tagFields[5], c.genre);
    Press(f.tagFields[5], Qt::Key_F9);
    ASSERT_EQ(t.h.messages.requests.size(), 1u);
    EXPECT_EQ(t.h.messages.requests[0].caption, "Velquist");
    EXPECT_EQ(t.h.messages.requests[0].text, Str(c.message));
    EXPECT_EQ(ReadBytes(t.path), before);
    EXPECT_EQ(f.storedValueLabels[0]->text(), "V1 Title");
    EXPECT_EQ(f.storedValueLabels[1]->text(), "V1 Artist");
  }

}

TEST(MainWindowWriteV1, AnInvalidGenreAppendsNothingToAFileWithoutATag) {
  OneFile t(kNoTag, "plain.mp3");
  const std::string plain = ReadBytes(t.path);
  Type(t.f().tagFields[0], "Title");
  Type(t.f().tagFields[5], "x1");
  Press(t.f().tagFields[5], Qt::Key_F9);
  EXPECT_EQ(ReadBytes(t.path), plain);
  EXPECT_EQ(t.f().v1Mark->text(), "");
  EXPECT_EQ(t.f().storedValueLabels[0]->text(), "");
  EXPECT_EQ(t.h.messages.Count(Str(u"型が一致しません。")), 1);
}

TEST(MainWindowWriteV1, AFailingWriteIsReportedByItsDescriptionAndTheFileIsClosed) {
  OneFile t(kNoTag, "plain.mp3");
  auto& f = t.f();
  const std::string before = ReadBytes(t.path);
  const int fds = OpenDescriptors();
  Type(f.tagFields[0], "Never");
  vq::FaultInjection::FailAt(1, ENOSPC, vq::FileOp::Write);
  Press(f.tagFields[0], Qt::Key_F9);
  EXPECT_TRUE(vq::FaultInjection::Fired());
  vq::FaultInjection::Reset();
  ASSERT_EQ(t.h.messages.requests.size(), 1u);
  EXPECT_EQ(t.h.messages.requests[0].caption, "Velquist");
  EXPECT_EQ(t.h.messages.requests[0].text, Str(u"ディスクの空き容量が不足しています。"));
  EXPECT_EQ(ReadBytes(t.path), before);
  EXPECT_EQ(OpenDescriptors(), fds);
  // Nothing was written: the stored values and the indicator stay, so the next F9 appends.
  EXPECT_EQ(f.storedValueLabels[0]->text(), "");
  EXPECT_EQ(f.v1Mark->text(), "");
  Press(f.tagFields[0], Qt::Key_F9);
  EXPECT_EQ(ReadBytes(t.path).size(), before.size() + 128);
  EXPECT_EQ(vqtest::ReadWithTagLib(t.path).v1Title, "Never");
}

// ---------------------------------------------------------------- 2 "やり直し(F4)"

TEST(MainWindowUndo, F4RestoresTitleArtistAlbumAndTheFileNameOnly) {
  OneFile t(kBothTags, "both.mp3");
  auto& f = t.f();
  const char* edits[] = {"t", "a", "b", "c", "2000", "5"};
  for (int i = 0; i < 6; ++i) Type(f.tagFields[i], edits[i]);
  static_cast<QPlainTextEdit*>(f.fileInfoFields[2])->setPlainText("renamed.mp3");
  Press(f.tagFields[3], Qt::Key_F4);
  EXPECT_EQ(f.tagFields[0]->text(), "V1 Title");
  EXPECT_EQ(f.tagFields[1]->text(), "V1 Artist");
  EXPECT_EQ(f.tagFields[2]->text(), "V1 Album");
  EXPECT_EQ(f.tagFields[3]->text(), "c");
  EXPECT_EQ(f.tagFields[4]->text(), "2000");
  EXPECT_EQ(f.tagFields[5]->text(), "5");
  EXPECT_EQ(f.fileInfoText(2), "both.mp3");
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[3]);  // back to the last field
  EXPECT_EQ(f.lastField, 3);

  // After an update the stored values are the written ones.
  Type(f.tagFields[5], "0");
  Type(f.tagFields[0], "Written");
  Press(f.tagFields[0], Qt::Key_F9);
  Type(f.tagFields[0], "Scratch");
  Press(f.tagFields[0], Qt::Key_F4);
  EXPECT_EQ(f.tagFields[0]->text(), "Written");
}

// ---------------------------------------------------------------- 3 "演奏(F6)"

TEST(MainWindowPlay, F6OpensTheFileWithXdgOpenInTheCurrentFolder) {
  struct Launch {
    std::string program;
    std::vector<std::string> arguments;
    std::string folder;
  };
  std::vector<Launch> launches;
  struct Guard {
    vq::ui::Shell::Launcher previous;
    ~Guard() { vq::ui::Shell::SetLauncher(std::move(previous)); }
  } guard{vq::ui::Shell::SetLauncher([&](const std::string& p, const std::vector<std::string>& a, const std::string& w) {
    launches.push_back({p, a, w});
    return false;  // a player that does not start is no error
  })};

  {
    MainWindowHarness h;
    h.music.CopyFixture(kNoTag, "Band/Disc 1/play me.mp3");
    h.WritePathDat({"0", "/", h.music / "Band"});
    auto& f = h.Start();
    ASSERT_EQ(CurrentRow(f.fileList), 0);
    Press(f.tagFields[2], Qt::Key_F6);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, "xdg-open");
    EXPECT_EQ(launches[0].arguments, std::vector<std::string>{h.music / "Band/Disc 1/play me.mp3"});
    EXPECT_EQ(launches[0].folder, h.music / "Band");
    EXPECT_EQ(QApplication::focusWidget(), f.tagFields[2]);
    EXPECT_TRUE(h.messages.requests.empty());
  }
  {
    // Before any file is selected the button is disabled and F6 does nothing.
    MainWindowHarness h;
    h.music.MakeDir("Empty");
    h.WritePathDat({"0", "/", h.music / "Empty"});
    auto& f = h.Start();
    ASSERT_FALSE(f.commandButtons[3]->isEnabled());
    Press(f.tagFields[0], Qt::Key_F6);
    EXPECT_EQ(launches.size(), 1u);
  }
}

// ---------------------------------------------------------------- 4 "ﾌｧｲﾙ参照(F7)"

TEST(MainWindowFillFromNames, FolderStructureModeFillsOnlyEmptyFields) {
  MainWindowHarness h;
  h.music.CopyFixture(kNoTag, "Band/Disc 1/01 Song.mp3");
  h.music.CopyFixture(kNoTag, "Band/Disc 1/02 Other.mp3");
  h.WritePathDat({"0", "/", h.music / "Band"});
  auto& f = h.Start();
  SelectRow(f.fileList, Rows(f.fileList).indexOf("01 Song.mp3"));
  Press(f.tagFields[4], Qt::Key_F7);
  EXPECT_EQ(f.tagFields[0]->text(), "01 Song");
  EXPECT_EQ(f.tagFields[1]->text(), "Band");
  EXPECT_EQ(f.tagFields[2]->text(), "Disc 1");
  EXPECT_EQ(f.tagFields[3]->text(), "");  // comment and year are not touched
  EXPECT_EQ(f.tagFields[4]->text(), "");
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[4]);

  // A field holding a space is not empty.
  SelectRow(f.fileList, Rows(f.fileList).indexOf("02 Other.mp3"));
  Type(f.tagFields[0], "Mine");
  Type(f.tagFields[1], " ");
  Press(f.tagFields[1], Qt::Key_F7);
  EXPECT_EQ(f.tagFields[0]->text(), "Mine");
  EXPECT_EQ(f.tagFields[1]->text(), " ");
  EXPECT_EQ(f.tagFields[2]->text(), "Disc 1");
}

TEST(MainWindowFillFromNames, FileNameModeTakesTheFileNameForAllThree) {
  OneFile t(kNoTag, Utf8(Str(u"曲名 テスト.MP3")));
  auto& f = t.f();
  Type(f.tagFields[2], "Kept Album");
  Press(f.tagFields[2], Qt::Key_F7);
  EXPECT_EQ(f.tagFields[0]->text(), Str(u"曲名 テスト"));
  EXPECT_EQ(f.tagFields[1]->text(), Str(u"曲名 テスト"));
  EXPECT_EQ(f.tagFields[2]->text(), "Kept Album");
  EXPECT_TRUE(t.h.messages.requests.empty());
}

TEST(MainWindowFillFromNames, WithoutAFileNameItFailsWithTheGeneralMessage) {
  MainWindowHarness h;
  h.music.MakeDir("Empty");
  h.WritePathDat({"1", "/", h.music / "Empty"});
  auto& f = h.Start();
  ASSERT_EQ(f.fileInfoText(2), "");
  Press(f.tagFields[0], Qt::Key_F7);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].caption, "Velquist");
  EXPECT_EQ(h.messages.requests[0].text, Str(u"プロシージャの呼び出し、または引数が不正です。"));
  EXPECT_EQ(f.tagFields[0]->text(), "");
}

// ---------------------------------------------------------------- 5 "v2参照(F8)"

TEST(MainWindowFillFromV2, F8TakesTheFramesOfTheFixtures) {
  struct Case {
    const char* fixture;
    QString title, artist, album, comment, year;
  };
  const Case cases[] = {
      // The comment is the frame's whole text as listed: language, description, text.
      {"12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3", "Title", Str(u"珈琲ｶﾌｪ"), Str(u"薔薇の花束 Album"),
       Str(u"jpn説明鶯のコメント"), "2006"},
      // Two comment frames: the later one wins; in version 2.2 text a zero byte shows as
      // a space. No year frame: the year stays.
      {"13_v22_handmade_mpeg1_l2_64k.mp3", Str(u"v2.2 曲名 珈琲"), Str(u"歌手 v2.2"), "v2.2 Album",
       Str(u"jpn説明 日本語のコメント"), "keep"},
      {"10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3", "id3lib Title", "id3lib Artist", "id3lib Album", "id3lib comment",
       "2002"},
      {"09_v23_kid3cli_mpeg1_l3_128k.mp3", Str(u"Kid3 タイトル"), Str(u"Kid3 アーティスト"), "Kid3 Album",
       "engkid3 comment", "2004"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    OneFile t(c.fixture, "v2.mp3");
    auto& f = t.f();
    const std::string before = ReadBytes(t.path);
    Type(f.tagFields[4], "keep");
    Type(f.tagFields[5], "99");
    Press(f.tagFields[4], Qt::Key_F8);
    EXPECT_EQ(f.tagFields[0]->text(), c.title);
    EXPECT_EQ(f.tagFields[1]->text(), c.artist);
    EXPECT_EQ(f.tagFields[2]->text(), c.album);
    EXPECT_EQ(f.tagFields[3]->text(), c.comment);
    EXPECT_EQ(f.tagFields[4]->text(), c.year);
    // "(13)" and "Pop" do not start with a number.
    EXPECT_EQ(f.tagFields[5]->text(), "0");
    // The comment is the listing's text.
    EXPECT_TRUE(f.viewer().listing().contains(QRegularExpression("(COMM|COM)\\(\\d\\) " +
                                                              QRegularExpression::escape(c.comment) + "\r\n")));
    EXPECT_EQ(QApplication::focusWidget(), f.tagFields[0]);
    EXPECT_EQ(ReadBytes(t.path), before);  // only the fields change
    EXPECT_TRUE(t.h.messages.requests.empty());
  }
}

TEST(MainWindowFillFromV2, TheTableIsReadFrameByFrame) {
  OneFile t(kNoTag, "plain.mp3");
  auto& f = t.f();
  // The frame table as the session holds it; the reference viewer shows its listing.
  auto frame = [](const char16_t* id, const char16_t* text) {
    vq::V2FrameEntry e;
    e.id = id;
    e.fullText = text;
    return e;
  };
  t.h.session.v2Frames = {frame(u"TCON", u"17 Rock"),
                        frame(u"TIT2", u"First\r\na) line of a multi-line value\r\n)"),
                        frame(u"TIT2", u"Second"),
                        frame(u"TXXX", u"other frames are ignored"),
                        frame(u"TYE", u"1987")};
  f.ShowFrameListing();
  Type(f.tagFields[1], "artist stays");
  Press(f.tagFields[2], Qt::Key_F8);
  EXPECT_TRUE(t.h.messages.requests.empty());
  EXPECT_EQ(f.tagFields[5]->text(), "17");
  EXPECT_EQ(f.tagFields[0]->text(), "Second");
  EXPECT_EQ(f.tagFields[4]->text(), "1987");
  EXPECT_EQ(f.tagFields[1]->text(), "artist stays");
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[0]);
}

TEST(MainWindowFillFromV2, AnEmptyListingChangesNothingAndKeepsTheFocus) {
  OneFile t(kNoTag, "plain.mp3");
  auto& f = t.f();
  ASSERT_EQ(f.viewer().listing(), "");
  Type(f.tagFields[3], "mine");
  Press(f.tagFields[3], Qt::Key_F8);
  EXPECT_EQ(f.tagFields[3]->text(), "mine");
  EXPECT_EQ(f.tagFields[5]->text(), "0");
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[3]);
}

// ---------------------------------------------------------------- 6, 7: the modal windows

TEST(MainWindowModal, F11OpensTheEditorAndTheFocusReturnsToTheLastField) {
  OneFile t(kBothTags, "both.mp3");
  auto& f = t.f();
  std::vector<QString> opened;
  {
    vqtest::ModalDriver driver([&](QDialog* d) {
      opened.push_back(d->metaObject()->className());
      EXPECT_TRUE(d->isModal());
      d->reject();
    });
    Press(f.tagFields[3], Qt::Key_F11);
  }
  EXPECT_EQ(opened, std::vector<QString>{"vq::TagEditorDialog"});
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[3]);
}

TEST(MainWindowModal, F10OpensTheBatchOnlyWithRowsAndInFolderStructureMode) {
  std::vector<QString> opened;
  vqtest::ModalDriver driver([&](QDialog* d) {
    opened.push_back(d->metaObject()->className());
    d->reject();
  });
  {
    MainWindowHarness h;
    h.music.MakeDir("Empty");
    h.WritePathDat({"0", "/", h.music / "Empty"});
    auto& f = h.Start();
    ASSERT_EQ(RowCount(f.fileList), 0);
    ASSERT_TRUE(f.commandButtons[7]->isEnabled());
    Press(f.tagFields[1], Qt::Key_F10);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(QApplication::focusWidget(), f.tagFields[1]);
  }
  {
    MainWindowHarness h;
    h.music.CopyFixture(kNoTag, "Band/a.mp3");
    h.WritePathDat({"0", "/", h.music / "Band"});
    auto& f = h.Start();
    Press(f.tagFields[2], Qt::Key_F10);
    EXPECT_EQ(opened, std::vector<QString>{"vq::BatchDialog"});
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    EXPECT_EQ(QApplication::focusWidget(), f.tagFields[2]);

    // File-name mode disables the button: F10 does nothing.
    QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);
    ASSERT_FALSE(f.commandButtons[7]->isEnabled());
    Press(f.tagFields[2], Qt::Key_F10);
    EXPECT_EQ(opened.size(), 1u);
  }
}

// ---------------------------------------------------------------- 8 "v1削除(F3)", 1 "終了(F12)"

TEST(MainWindowKeys, F3DoesNothing) {
  OneFile t(kBothTags, "both.mp3");
  auto& f = t.f();
  const std::string before = ReadBytes(t.path);
  int modals = 0;
  vqtest::ModalDriver driver([&](QDialog*) { ++modals; });
  Type(f.tagFields[0], "edited");
  Press(f.tagFields[0], Qt::Key_F3);
  QTest::mouseClick(f.commandButtons[8], Qt::LeftButton);
  EXPECT_FALSE(f.commandButtons[8]->isEnabled());
  EXPECT_EQ(f.tagFields[0]->text(), "edited");
  EXPECT_EQ(f.storedValueLabels[0]->text(), "V1 Title");
  EXPECT_EQ(ReadBytes(t.path), before);
  EXPECT_EQ(modals, 0);
  EXPECT_TRUE(t.h.messages.requests.empty());
}

TEST(MainWindowKeys, F12AsksToQuitAndTheKeyGoesOnToTheField) {
  OneFile t(kBothTags, "both.mp3");
  auto& f = t.f();
  // A key the field does not take travels on to the window: seeing F12 there shows that
  // the field's handler left it unconsumed.
  struct Watcher : QObject {
    int f12 = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F12) ++f12;
      return false;
    }
  } watcher;
  f.installEventFilter(&watcher);
  t.h.messages.answers.push_back(MsgAnswer::No);
  Press(f.tagFields[1], Qt::Key_F12);
  ASSERT_EQ(t.h.messages.requests.size(), 1u);
  EXPECT_EQ(t.h.messages.requests[0].text, Str(u"終了しますか?"));
  EXPECT_EQ(t.h.messages.requests[0].caption, Str(u"終了確認"));
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(t.h.ended);
  EXPECT_EQ(watcher.f12, 1);

  // F9, by contrast, is consumed.
  Press(f.tagFields[1], Qt::Key_F9);
  EXPECT_EQ(watcher.f12, 1);

  t.h.messages.answers.push_back(MsgAnswer::Yes);
  Press(f.tagFields[1], Qt::Key_F12);
  EXPECT_TRUE(t.h.ended);
  EXPECT_TRUE(std::filesystem::exists(t.h.PathDat()));
  f.removeEventFilter(&watcher);
}
