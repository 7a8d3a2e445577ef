// The ID3v2 editor's other commands: filling empty fields from the names (F7) or from
// the main window's ID3v1 fields (F8), redo, and closing without a write (F12, the
// close box).
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "tag_editor_test_support.h"

using namespace vq;
using namespace editortest;
using vqtest::ReadBytes;

namespace {

QStringList Fields(const TagEditorDialog& w) {
  QStringList out;
  for (int k = 0; k < 7; ++k) out << w.fieldText(k);
  return out;
}

bool FourButtonsEnabled(const TagEditorDialog& w) {
  for (int i = 0; i < 4; ++i)
    if (!w.commandButtons[i]->isEnabled()) return false;
  return true;
}

}  // namespace

TEST(TagEditorCommands, F8FillsEmptyFieldsFromTheID3v1FieldsWithoutTrailingSpaces) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  MainWindow& main = e.form();
  main.tagFields[0]->setText(QStringLiteral("abcd") + QString(26, QLatin1Char(' ')));
  main.tagFields[1]->setText(QStringLiteral("v1 artist  "));
  main.tagFields[2]->setText(QStringLiteral("v1 album"));
  main.tagFields[3]->setText(QStringLiteral(" v1 comment "));
  main.tagFields[4]->setText(QStringLiteral("1999"));
  main.tagFields[5]->setText(QStringLiteral("13"));
  RunEditor(main, [&](TagEditorDialog& w) {
    GoToField(w, 1);
    Type(QStringLiteral("Kept album"));
    GoToField(w, 4);
    Key(Qt::Key_F8);
    EXPECT_EQ(Fields(w), (QStringList{"abcd", "Kept album", "v1 artist", "", " v1 comment", "1999", "13"}));
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);
    EXPECT_TRUE(FourButtonsEnabled(w));
    EXPECT_FALSE(w.commandButtons[5]->isEnabled());
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorCommands, F8LeavesAFieldThatHoldsTextAlone) {
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
  // The main window shows the ID3v1 tag: "V1 Title", 1998, genre 17.
  ASSERT_EQ(e.form().tagFields[0]->text(), QStringLiteral("V1 Title"));
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    Key(Qt::Key_F8);
    EXPECT_EQ(Fields(w), (QStringList{"V2 Title", "V2 Album", "V2 Artist", "", "v2 comment", "1998", "17"}));
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorCommands, F7InFolderStructureModeTakesFileSubfolderAndFolderNames) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  MainWindow& main = e.form();
  ASSERT_FALSE(main.FileNameMode());
  ASSERT_EQ(main.fileInfoText(0), QStringLiteral("歌手"));
  ASSERT_EQ(main.fileInfoText(1), QStringLiteral("アルバム"));
  main.tagFields[3]->setText(QStringLiteral("main comment"));
  main.tagFields[4]->setText(QStringLiteral("2001"));
  RunEditor(main, [&](TagEditorDialog& w) {
    GoToField(w, 3);
    Key(Qt::Key_F7);
    // The composer is never filled; genre "0" is the main window's genre field.
    EXPECT_EQ(Fields(w), (QStringList{"01 曲", "アルバム", "歌手", "", "main comment", "2001", "0"}));
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);
    EXPECT_TRUE(FourButtonsEnabled(w));
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorCommands, F7InFileNameModePutsTheFileNameIntoTitleAlbumAndArtist) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  MainWindow& main = e.form();
  main.modeButtons[1]->click();
  ASSERT_TRUE(main.FileNameMode());
  main.folderTree->setPath(e.h.music / "歌手/アルバム");
  main.SelectFile(0);
  ASSERT_EQ(main.fileInfoText(2), QStringLiteral("01 曲.mp3"));
  RunEditor(main, [&](TagEditorDialog& w) {
    GoToField(w, 2);
    Type(QStringLiteral("Someone"));
    Key(Qt::Key_F7);
    EXPECT_EQ(Fields(w), (QStringList{"01 曲", "01 曲", "Someone", "", "", "", "0"}));
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorCommands, F7WithoutAFileNameFillsOnlyTheOtherFields) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  MainWindow& main = e.form();
  main.setFileInfoText(2, QStringLiteral("abc"));
  main.tagFields[3]->setText(QStringLiteral("c"));
  RunEditor(main, [&](TagEditorDialog& w) {
    Key(Qt::Key_F7);
    EXPECT_EQ(Fields(w), (QStringList{"", "アルバム", "歌手", "", "c", "", "0"}));
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorCommands, RedoPutsBackEveryLoadedValueIncludingEmptyOnesAndF4InAFieldDoesNothing) {
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    const QStringList loaded = Fields(w);
    EXPECT_EQ(loaded, (QStringList{"V2 Title", "V2 Album", "V2 Artist", "", "v2 comment", "", ""}));
    ClearFocused();
    Type(QStringLiteral("changed"));
    GoToField(w, 3);
    Type(QStringLiteral("new composer"));
    GoToField(w, 5);
    Type(QStringLiteral("2000"));
    Key(Qt::Key_F8);  // fills the empty genre
    const QStringList edited = Fields(w);
    EXPECT_EQ(edited, (QStringList{"changed", "V2 Album", "V2 Artist", "new composer", "v2 comment", "2000", "17"}));

    // F4 belongs to the button only.
    GoToField(w, 3);
    Key(Qt::Key_F4);
    EXPECT_EQ(Fields(w), edited);

    QTest::mouseClick(w.commandButtons[4], Qt::LeftButton);
    EXPECT_EQ(Fields(w), loaded);
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);
    EXPECT_TRUE(FourButtonsEnabled(w));
    EXPECT_FALSE(w.commandButtons[5]->isEnabled());
    // The never-enabled "v2削除" does nothing when called.
    w.RunCommand(vq::TagEditorDialog::Command::DeleteTag);
    EXPECT_EQ(Fields(w), loaded);
    EXPECT_TRUE(FourButtonsEnabled(w));
    EXPECT_TRUE(w.isVisible());
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorCommands, F12TheCloseBoxAndEscWriteNothing) {
  Editing e("13_v22_handmade_mpeg1_l2_64k.mp3");
  const auto table = Pairs(e.session().v2Frames);
  const QString listing = e.listing();
  const QString version = e.form().v2VersionMark->text();
  ASSERT_FALSE(listing.isEmpty());

  auto edit = [](TagEditorDialog& w) {
    ClearFocused();
    Type(QStringLiteral("not written"));
    GoToField(w, 6);
    ClearFocused();
  };
  // F12 from the genre field.
  int result = RunEditor(e.form(), [&](TagEditorDialog& w) {
    edit(w);
    Key(Qt::Key_F12);
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(result, QDialog::Rejected);
  // The close box, after Esc, which leaves the window open.
  result = RunEditor(e.form(), [&](TagEditorDialog& w) {
    edit(w);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    w.close();
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(result, QDialog::Rejected);
  // The button.
  result = RunEditor(e.form(), [&](TagEditorDialog& w) {
    edit(w);
    QTest::mouseClick(w.commandButtons[3], Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Rejected);

  EXPECT_TRUE(ReadBytes(e.path) == e.before);
  EXPECT_EQ(Pairs(e.session().v2Frames), table);
  EXPECT_EQ(e.listing(), listing);
  EXPECT_EQ(e.session().v2TagSize, 326);
  EXPECT_EQ(e.form().v2VersionMark->text(), version);
  EXPECT_TRUE(e.h.messages.requests.empty());
}
