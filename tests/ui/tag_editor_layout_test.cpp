// The ID3v2 editor's window: controls, fonts, tab order and placement, and what it
// loads from the frame table of the file selected in the main window.
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include "tag_editor_test_support.h"
#include "widgets/fonts.h"
#include "widgets/twips.h"

using namespace vq;
using namespace editortest;

namespace {

struct ControlSpec {
  const char* name;
  const char16_t* caption;  // nullptr: no fixed caption
  int left, top, width, height;
};

const ControlSpec kControls[] = {
    {"captionLabels(3)", u"曲  名", 120, 120, 855, 375},      {"storedValueLabels(0)", nullptr, 1200, 0, 6015, 735},
    {"tagFields(0)", nullptr, 1200, 720, 6015, 855},        {"commandButtons(0)", u"v2更新(F9)", 3480, 6360, 1575, 495},
    {"commandButtons(1)", u"ﾌｧｲﾙ参照(F7)", 120, 6360, 1575, 495}, {"commandButtons(2)", u"v1参照(F8)", 1800, 6360, 1575, 495},
    {"commandButtons(3)", u"終了(F12)", 8640, 6360, 1575, 495}, {"captionLabels(0)", u"ｱﾙﾊﾞﾑ名", 7440, 120, 1095, 375},
    {"storedValueLabels(1)", nullptr, 8640, 0, 6015, 735},         {"tagFields(1)", nullptr, 8640, 720, 6015, 855},
    {"captionLabels(1)", u"作者名", 120, 1920, 855, 375},      {"storedValueLabels(2)", nullptr, 1200, 1680, 6015, 735},
    {"tagFields(2)", nullptr, 1200, 2400, 6015, 855},       {"captionLabels(2)", u"作曲者名", 7440, 1800, 1095, 375},
    {"storedValueLabels(3)", nullptr, 8640, 1680, 6015, 735},      {"tagFields(3)", nullptr, 8640, 2400, 6015, 855},
    {"captionLabels(4)", u"コメント", 120, 3480, 855, 375},    {"storedValueLabels(4)", nullptr, 1200, 3360, 6015, 735},
    {"tagFields(4)", nullptr, 1200, 4080, 6015, 855},       {"captionLabels(5)", u"年", 120, 5160, 855, 375},
    {"storedValueLabels(5)", nullptr, 1200, 5040, 1935, 495},      {"tagFields(5)", nullptr, 1200, 5520, 1935, 495},
    {"captionLabels(6)", u"ジャンル", 3480, 5160, 975, 375},   {"storedValueLabels(6)", nullptr, 4560, 5040, 1935, 495},
    {"tagFields(6)", nullptr, 4560, 5520, 1935, 495},       {"keptFramesList", nullptr, 8640, 3360, 6015, 2760},
    {"commandButtons(4)", u"やり直し(F4)", 5160, 6360, 1575, 495}, {"commandButtons(5)", u"v2削除", 6840, 6360, 1575, 495},
};

// The caption of each field's captionLabels, by field.
const char16_t* const kFieldCaptions[7] = {u"曲  名", u"ｱﾙﾊﾞﾑ名", u"作者名", u"作曲者名", u"コメント", u"年", u"ジャンル"};

}  // namespace

TEST(TagEditorLayout, EveryControlAtItsTwipsWithItsCaptionFontAndKind) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  TagEditorDialog w(e.form().session(), e.form().EditorLink(), &e.form());

  EXPECT_EQ(w.windowTitle(), QStringLiteral("v2 Edit"));
  EXPECT_TRUE(w.isModal());
  // Widened to the right for the track, disc and reading fields and, under them, the
  // front cover (its controls are checked in tag_editor_cover_test).
  EXPECT_EQ(w.size(), QSize(ui::Twips(18975), ui::Twips(6975)));

  for (const auto& c : kControls) {
    SCOPED_TRACE(c.name);
    auto* widget = w.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), ui::TwipsRect(c.left, c.top, c.width, c.height));
    if (!c.caption) continue;
    const QString caption = QString::fromUtf16(c.caption);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_EQ(label->text(), caption);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      EXPECT_EQ(button->text(), caption);
    } else {
      ADD_FAILURE() << "a caption on neither a label nor a button";
    }
    EXPECT_EQ(widget->accessibleName(), caption);
  }
  // The arrays hold the named controls; the title's caption is captionLabels(3).
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(w.tagFields[k]->objectName(), QStringLiteral("tagFields(%1)").arg(k));
    EXPECT_EQ(w.storedValueLabels[k]->objectName(), QStringLiteral("storedValueLabels(%1)").arg(k));
    EXPECT_EQ(w.captionLabels[k]->objectName(), QStringLiteral("captionLabels(%1)").arg(k));
    EXPECT_EQ(w.tagFields[k]->accessibleName(), QString::fromUtf16(kFieldCaptions[k]));
  }
  for (int i = 0; i < 6; ++i) EXPECT_EQ(w.commandButtons[i]->objectName(), QStringLiteral("commandButtons(%1)").arg(i));

  // Fonts: the proportional Japanese font at 11.25 pt, the fixed one for the list; a
  // Japanese family is what renders.
  EXPECT_EQ(w.font().families(), ui::ProportionalFamilies());
  EXPECT_DOUBLE_EQ(w.font().pointSizeF(), 11.25);
  for (int k = 0; k < 7; ++k) EXPECT_EQ(w.tagFields[k]->font().families(), ui::ProportionalFamilies());
  EXPECT_EQ(w.keptFramesList->font().families(), ui::FixedFamilies());
  EXPECT_DOUBLE_EQ(w.keptFramesList->font().pointSizeF(), 11.25);
  EXPECT_TRUE(ui::ProportionalFamilies().contains(QFontInfo(w.tagFields[0]->font()).family()))
      << QFontInfo(w.tagFields[0]->font()).family().toStdString();
  EXPECT_TRUE(ui::FixedFamilies().contains(QFontInfo(w.keptFramesList->font()).family()))
      << QFontInfo(w.keptFramesList->font()).family().toStdString();

  // Fields 0-4 are multi-line with both scroll bars, 5 and 6 single-line.
  for (int k = 0; k < 5; ++k) {
    auto* box = qobject_cast<QPlainTextEdit*>(w.tagFields[k]);
    ASSERT_NE(box, nullptr) << k;
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(box->isReadOnly());
  }
  for (int k = 5; k < 7; ++k) EXPECT_NE(qobject_cast<QLineEdit*>(w.tagFields[k]), nullptr) << k;

  // The loaded values: bordered, light yellow (255, 255, 128).
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(w.storedValueLabels[k]->frameShape(), QFrame::Box);
    EXPECT_TRUE(w.storedValueLabels[k]->autoFillBackground());
    EXPECT_EQ(w.storedValueLabels[k]->palette().color(QPalette::Window), QColor(255, 255, 128));
  }

  // Buttons are no tab stops; "v2削除" is disabled, the others enabled.
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(w.commandButtons[i]->focusPolicy(), Qt::ClickFocus) << i;
    EXPECT_FALSE(w.commandButtons[i]->autoDefault()) << i;
    EXPECT_EQ(w.commandButtons[i]->isEnabled(), i != 5) << i;
  }
}

TEST(TagEditorLayout, TabRunsThroughTheSevenFieldsAndTheListAndEnterSkipsTheList) {
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
  std::vector<QString> tabs, enters;
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);
    for (int i = 0; i < 9; ++i) {
      Key(Qt::Key_Tab);
      tabs.push_back(QApplication::focusWidget()->objectName());
    }
    w.tagFields[0]->setFocus();
    for (int i = 0; i < 8; ++i) {
      Key(Qt::Key_Return);
      enters.push_back(QApplication::focusWidget()->objectName());
    }
    // Shift+Tab goes back.
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    enters.push_back(QApplication::focusWidget()->objectName());
    Key(Qt::Key_F12);
  });
  EXPECT_EQ(tabs, (std::vector<QString>{"tagFields(1)", "tagFields(2)", "tagFields(3)", "tagFields(4)", "tagFields(5)", "tagFields(6)", "keptFramesList",
                                        "numberAndReadingFields(0)", "numberAndReadingFields(1)"}));
  EXPECT_EQ(enters, (std::vector<QString>{"tagFields(1)", "tagFields(2)", "tagFields(3)", "tagFields(4)", "tagFields(5)", "tagFields(6)",
                                          "tagFields(0)", "tagFields(1)", "tagFields(0)"}));
}

TEST(TagEditorLayout, PlacedFromTheOuterSizesOfTheMainWindowAndTheViewer) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  MainWindow& main = e.form();
  // Move the main window away: its position does not count, only its size.
  main.move(200, 150);
  QApplication::processEvents();
  const QSize mainOuter = main.frameGeometry().size();
  const QSize viewerOuter = main.viewer().frameGeometry().size();
  ASSERT_GT(viewerOuter.width(), 0);
  QPoint shownAt;
  QSize shownOuter;
  RunEditor(main, [&](TagEditorDialog& w) {
    shownAt = w.frameGeometry().topLeft();
    shownOuter = w.frameGeometry().size();
    Key(Qt::Key_F12);
  });
  // The designed place, moved onto the work area no further than needed: on this screen
  // the window is wider than the work area (its left edge goes to the area's), and its
  // designed top fits.
  const QRect work = main.screen()->availableGeometry();
  const QPoint designed(mainOuter.width() + viewerOuter.width() - shownOuter.width(),
                        mainOuter.height() - shownOuter.height());
  ASSERT_GT(shownOuter.width(), work.width());
  ASSERT_TRUE(designed.y() >= work.top() && designed.y() + shownOuter.height() <= work.top() + work.height());
  EXPECT_EQ(shownAt, QPoint(work.left(), designed.y()));
}

TEST(TagEditorLoad, AFileWithoutID3v2ShowsEverythingEmptyAndTheCaretInTheTitle) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    for (int k = 0; k < 7; ++k) {
      EXPECT_EQ(w.fieldText(k), QString()) << k;
      EXPECT_EQ(w.storedValue(k), QString()) << k;
      EXPECT_EQ(w.storedValueLabels[k]->text(), QString()) << k;
    }
    EXPECT_EQ(w.keptFramesList->count(), 0);
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorLoad, AV22TagFillsTheFieldsFromItsIdsAndListsTheRestUnderThreeCharacterIds) {
  Editing e("13_v22_handmade_mpeg1_l2_64k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    const QString expected[7] = {QStringLiteral("v2.2 曲名 珈琲"), QStringLiteral("v2.2 Album"),
                                 QStringLiteral("歌手 v2.2"), QString(),
                                 // Two COM frames: the later one is shown.
                                 QStringLiteral("日本語のコメント"), QString(), QStringLiteral("(13)")};
    for (int k = 0; k < 7; ++k) {
      EXPECT_EQ(w.fieldText(k), expected[k]) << k;
      EXPECT_EQ(w.storedValue(k), expected[k]) << k;
      EXPECT_EQ(w.storedValueLabels[k]->text(), expected[k]) << k;
    }
    EXPECT_EQ(Lines(w.keptFramesList), (QStringList{"TT1:コンテンツ", "PIC:"}));
    EXPECT_EQ(w.numberAndReadingFields[0]->text(), QStringLiteral("4/9"));
    // The caret is behind the title's last character, nothing selected.
    auto* title = static_cast<QPlainTextEdit*>(w.tagFields[0]);
    EXPECT_EQ(QApplication::focusWidget(), title);
    EXPECT_EQ(title->textCursor().position(), expected[0].size());
    EXPECT_FALSE(title->textCursor().hasSelection());
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorLoad, APictureIsListedAsItsIdAndAColonAndUserFramesByTheirValues) {
  {
    Editing e("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3");
    TagEditorDialog w(e.form().session(), e.form().EditorLink(), &e.form());
    EXPECT_EQ(Lines(w.keptFramesList), QStringList{"APIC:"});
    EXPECT_EQ(w.fieldText(0), QStringLiteral("Picture Title"));
    EXPECT_EQ(w.fieldText(1), QStringLiteral("Picture Album"));
    EXPECT_EQ(w.fieldText(2), QStringLiteral("Picture Artist"));
  }
  {
    Editing e("07_v23_txxx_wxxx_wcom_mutagen_mpeg1_l3_32k.mp3");
    TagEditorDialog w(e.form().session(), e.form().EditorLink(), &e.form());
    // The text behind the last zero; a URL frame's first byte is taken as its encoding.
    EXPECT_EQ(Lines(w.keptFramesList), (QStringList{"TXXX:calm", "TXXX:値です", "WXXX:http://example.com/",
                                           "WOAR:ttp://artist.example.com/", "WCOM:ttp://shop.example.com/buy"}));
  }
}

TEST(TagEditorLoad, ALaterFrameOfAFieldReplacesTheEarlierOneAndLineBreaksShowAsLines) {
  const std::string audio = vqtest::ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  Editing e(V23File({{"TIT2", std::string("\0First", 6)},
                     {"TPE1", std::string("\0Artist", 7)},
                     {"TIT2", std::string("\0Second\r\nline", 13)},
                     {"COMM", std::string("\0eng\0one\r\ntwo", 13)}},
                    audio),
            "replace.mp3", true);
  TagEditorDialog w(e.form().session(), e.form().EditorLink(), &e.form());
  EXPECT_EQ(w.fieldText(0), QStringLiteral("Second\r\nline"));
  EXPECT_EQ(w.storedValue(0), QStringLiteral("Second\r\nline"));
  EXPECT_EQ(Shown(w, 0), QStringLiteral("Second\nline"));
  EXPECT_EQ(w.storedValueLabels[0]->text(), QStringLiteral("Second\nline"));
  EXPECT_EQ(w.fieldText(2), QStringLiteral("Artist"));
  EXPECT_EQ(w.fieldText(4), QStringLiteral("one\r\ntwo"));
  EXPECT_EQ(w.keptFramesList->count(), 0);
}
