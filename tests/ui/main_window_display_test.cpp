// Selecting a file in the main window: the ID3v1 fields, the tag marks, the seven lines
// of file information, the list position and the frame listing in the reference viewer,
// each compared with what the format core computes for the same file.
#include <gtest/gtest.h>

#include <utime.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <ctime>
#include <filesystem>

#include "formats/bytesource.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "formats/mpeg.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "widgets/line_label.h"
#include "support/ui/ui_test_util.h"
#include "windows/viewer/reference_viewer.h"

using vqtest::CurrentRow;
using vqtest::RowCount;
using vqtest::RowText;
using vqtest::SelectRow;
using vqtest::MainWindowHarness;
using vqtest::Rows;
using vqtest::Utf8;

namespace {

const char* kFixtures[] = {
    "01_v1only_eyed3_mpeg1_l3_128k.mp3",           "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3",
    "03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "04_v24_utf8_japanese_mutagen_mpeg2_l3_64k.mp3",
    "06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3",       "10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3",
    "11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3",  "12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3",
    "13_v22_handmade_mpeg1_l2_64k.mp3",             "14_notag_lame_mpeg1_l3_128k.mp3",
};

void SetMtime(const std::string& path, std::time_t t) {
  struct utimbuf b {t, t};
  ASSERT_EQ(::utime(path.c_str(), &b), 0);
}

QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }
QString CutAtNul(const std::u16string& s) { return Q(s.substr(0, s.find(u'\0'))); }

// What the format core says about a file, read here step by step.
struct Expected {
  vq::V2Header v2;
  vq::V2FrameTable table;
  std::u16string listing;
  std::optional<vq::ID3v1Values> v1;
  QStringList info;
};

Expected Compute(const std::string& path, std::time_t modified) {
  vq::RawFile file(path, vq::RawFile::Mode::Read);
  vq::FileSource src(file);
  Expected e;
  e.v2 = vq::ReadV2Header(src);
  vq::MpegHeader mpeg;
  if (e.v2.present) {
    mpeg = vq::FindMpegHeader(src, static_cast<std::uint64_t>(e.v2.size) + 10);
    vq::WalkV2Frames(src, e.v2.major, e.v2.size, e.table, e.listing);
  } else {
    mpeg = vq::FindMpegHeader(src, 0);
  }
  if (auto rec = vq::ReadID3v1(src)) e.v1 = vq::DecodeID3v1(*rec);
  std::uint64_t length = src.Length();
  e.info << Q(u"File Size : " + vq::SizeText(length)) << ""
         << Q(u"Play Tine : " + vq::PlayTimeText(vq::PlayTimeSeconds(length, mpeg))) << "";
  if (e.v2.present) {
    // Tag length in kilobytes with one decimal.
    double kb = (e.v2.size + 10) / 1024.0;
    e.info << QString::fromUtf16(u"v2ﾍｯﾀﾞ長 : ") + QLocale::c().toString(kb, 'f', 1) + " Kb";
  } else {
    e.info << "";
  }
  e.info << "" << QString::fromUtf16(u"最終更新日 : ") + Q(vq::FormatGeneralDate(modified));
  return e;
}

void ExpectShows(vq::MainWindow& f, const vq::Session& state, const std::string& path, const QString& name,
                 std::time_t modified) {
  SCOPED_TRACE(name.toStdString());
  Expected e = Compute(path, modified);
  EXPECT_EQ(f.fileInfoText(2), name);
  if (e.v1) {
    const std::u16string* stored[] = {&e.v1->title, &e.v1->artist, &e.v1->album};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(f.storedValueLabels[i]->text(), CutAtNul(*stored[i]));
      EXPECT_EQ(f.tagFields[i]->text(), CutAtNul(*stored[i]));
    }
    EXPECT_EQ(f.tagFields[3]->text(), CutAtNul(e.v1->comment));
    EXPECT_EQ(f.tagFields[4]->text(), CutAtNul(e.v1->year));
    EXPECT_EQ(f.tagFields[5]->text(), QString::number(e.v1->genre));
    EXPECT_EQ(f.v1Mark->text(), "v1");
    EXPECT_EQ(f.v1Mark->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  } else {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f.storedValueLabels[i]->text(), "");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f.tagFields[i]->text(), "");
    EXPECT_EQ(f.tagFields[5]->text(), "0");
    EXPECT_EQ(f.v1Mark->text(), "");
  }
  if (e.v2.present) {
    EXPECT_EQ(f.v2Mark->text(), "v2");
    EXPECT_EQ(f.v2VersionMark->text(), QString("%1.%2").arg(e.v2.major).arg(e.v2.revision));
    EXPECT_EQ(f.v2Mark->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(f.v2VersionMark->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(state.v2TagSize, e.v2.size);
  } else {
    EXPECT_EQ(f.v2Mark->text(), "");
    EXPECT_EQ(f.v2VersionMark->text(), "");
    EXPECT_EQ(state.v2TagSize, 0);
  }
  ASSERT_EQ(state.v2Frames.size(), e.table.size());
  for (std::size_t i = 0; i < e.table.size(); ++i) {
    EXPECT_EQ(state.v2Frames[i].id, e.table[i].id);
    EXPECT_EQ(state.v2Frames[i].text, e.table[i].text);
  }
  EXPECT_EQ(f.viewer().listing(), Q(e.listing));
  EXPECT_EQ(f.mpegInfoLabel->text().split('\n'), e.info);
  EXPECT_TRUE(f.commandButtons[0]->isEnabled());
  EXPECT_TRUE(f.commandButtons[3]->isEnabled());
}

}  // namespace

TEST(MainWindowDisplay, EveryFixtureShowsWhatTheFormatCoreReads) {
  MainWindowHarness h;
  std::time_t when = vqtest::LocalTime(2023, 4, 5, 6, 7, 8);
  for (auto* fixture : kFixtures) SetMtime(h.music.CopyFixture(fixture, std::string("Album/") + fixture), when);
  h.WritePathDat({"0", "/", h.music.path()});
  auto& f = h.Start();
  ASSERT_EQ(RowCount(f.fileList), static_cast<int>(std::size(kFixtures)));

  // Walk the list with the keyboard, from the first row to the last.
  f.fileList->setFocus();
  QTest::keyClick(f.fileList, Qt::Key_Home);
  for (int row = 0; row < RowCount(f.fileList); ++row) {
    if (row > 0) {
      f.fileList->setFocus();
      QTest::keyClick(f.fileList, Qt::Key_Down);
    }
    ASSERT_EQ(CurrentRow(f.fileList), row);
    QString name = RowText(f.fileList, row);
    ExpectShows(f, h.session, h.music / ("Album/" + Utf8(name)), name, when);
    EXPECT_EQ(f.positionLabel->text(), QString("%1/%2 ").arg(row + 1).arg(RowCount(f.fileList)) + QString::fromUtf16(u"曲"));
    EXPECT_EQ(f.fileInfoText(0), Utf8(std::filesystem::path(h.music.path()).filename().string()));
    EXPECT_EQ(f.fileInfoText(1), "Album");
    // The selection gives the title field the focus.
    if (row > 0) EXPECT_EQ(QApplication::focusWidget(), f.tagFields[0]);
  }
  EXPECT_TRUE(h.messages.requests.empty());
}

TEST(MainWindowDisplay, KnownValuesOfTheFileWithBothTags) {
  MainWindowHarness h;
  std::string path = h.music.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "both.mp3");
  SetMtime(path, vqtest::LocalTime(2024, 1, 2, 3, 4, 5));
  h.WritePathDat({"1"});
  auto& f = h.Start();
  ASSERT_EQ(CurrentRow(f.fileList), 0);
  EXPECT_EQ(f.tagFields[0]->text(), "V1 Title");
  EXPECT_EQ(f.storedValueLabels[0]->text(), "V1 Title");
  EXPECT_EQ(f.tagFields[1]->text(), "V1 Artist");
  EXPECT_EQ(f.tagFields[2]->text(), "V1 Album");
  EXPECT_EQ(f.tagFields[3]->text(), "v1 comment");
  EXPECT_EQ(f.tagFields[4]->text(), "1998");
  EXPECT_EQ(f.tagFields[5]->text(), "17");
  EXPECT_EQ(f.v2Mark->text(), "v2");
  EXPECT_EQ(f.v2VersionMark->text(), "3.0");
  EXPECT_EQ(f.v1Mark->text(), "v1");
  // 25,553 bytes; 128 kbit/s; tag 339 + 10 bytes.
  EXPECT_EQ(f.mpegInfoLabel->text(), QString::fromUtf16(u"File Size : 25 kb\n\nPlay Tine : 0:02\n\nv2ﾍｯﾀﾞ長 : 0.3 Kb\n\n"
                                                  u"最終更新日 : 2024/01/02 3:04:05"));
  EXPECT_TRUE(f.viewer().listing().startsWith("COMM(0) "));
  EXPECT_TRUE(f.viewer().listing().contains("\r\nTIT2(0) V2 Title\r\nTPE1(0) V2 Artist\r\n"));
  EXPECT_EQ(f.positionLabel->text(), QString::fromUtf16(u"1/1 曲"));
  // All seven lines, the date included, fit in the label.
  auto* info = qobject_cast<vq::ui::LineLabel*>(f.mpegInfoLabel);
  ASSERT_TRUE(info);
  EXPECT_GE(info->lineCount(), 7);
  EXPECT_LE(info->lineCount() * info->lineHeight(), info->contentsRect().height());
  // File-name mode leaves the folder and subfolder names as they were.
  EXPECT_EQ(f.fileInfoText(0), "");
  EXPECT_EQ(f.fileInfoText(1), "");
}

TEST(MainWindowDisplay, WithoutTagsFourLineBreaksAndGenreZero) {
  MainWindowHarness h;
  std::string path = h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "plain.mp3");
  SetMtime(path, vqtest::LocalTime(2020, 2, 29, 0, 0, 0));
  h.WritePathDat({"1"});
  auto& f = h.Start();
  EXPECT_EQ(f.mpegInfoLabel->text(),
            QString::fromUtf16(u"File Size : 24 kb\n\nPlay Tine : 0:02\n\n\n\n最終更新日 : 2020/02/29"));
  EXPECT_EQ(f.tagFields[5]->text(), "0");
  EXPECT_EQ(f.v2Mark->text() + f.v2VersionMark->text() + f.v1Mark->text(), "");
  EXPECT_EQ(f.viewer().listing(), "");
}

TEST(MainWindowDisplay, NulPaddedId3v1FieldsEndAtTheFirstNul) {
  MainWindowHarness h;
  h.music.CopyFixture("01_v1only_eyed3_mpeg1_l3_128k.mp3", "v1.mp3");
  h.WritePathDat({"1"});
  auto& f = h.Start();
  EXPECT_EQ(f.tagFields[0]->text(), "v1 Only Title");
  EXPECT_EQ(f.storedValueLabels[0]->text(), "v1 Only Title");
  EXPECT_EQ(f.tagFields[3]->text(), "v1 only comment");  // the track byte is not shown
  EXPECT_EQ(f.tagFields[5]->text(), "13");
}

// A file too short for an ID3v1 record is not read, but it is the file shown: its own
// names, empty fields and stored values, so that nothing of the file shown before can
// be written into it.
TEST(MainWindowDisplay, A127ByteFileShowsItselfWithEmptyFieldsA128ByteFileIsRead) {
  MainWindowHarness h;
  h.music.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "a-both.mp3");
  vqtest::MakeFile(h.music / "sub/b-127.mp3", 127);
  vqtest::MakeFile(h.music / "sub/c-128.mp3", 128);
  h.WritePathDat({"0", "/", h.music.path()});
  auto& f = h.Start();
  ASSERT_EQ(Rows(f.fileList).value(0), "a-both.mp3");
  ASSERT_EQ(f.v2Mark->text(), "v2");
  int r127 = Rows(f.fileList).indexOf("b-127.mp3");
  int r128 = Rows(f.fileList).indexOf("c-128.mp3");

  SelectRow(f.fileList, r127);
  EXPECT_EQ(f.v2Mark->text(), "");
  EXPECT_EQ(f.v2VersionMark->text(), "");
  EXPECT_EQ(f.v1Mark->text(), "");
  EXPECT_EQ(f.viewer().listing(), "");
  EXPECT_EQ(h.session.v2TagSize, 0);
  EXPECT_TRUE(h.session.v2Frames.empty());
  EXPECT_EQ(f.fileInfoText(0), Utf8(vq::LastComponent(h.music.path())));
  EXPECT_EQ(f.fileInfoText(1), "sub");
  EXPECT_EQ(f.fileInfoText(2), "b-127.mp3");
  for (auto* field : f.tagFields) EXPECT_EQ(field->text(), "");
  for (auto* stored : f.storedValueLabels) EXPECT_EQ(stored->text(), "");
  EXPECT_TRUE(f.mpegInfoLabel->text().startsWith(QString::fromUtf16(u"File Size : 0 kb\n\nPlay Tine : \n\n\n\n最終更新日 : ")));
  EXPECT_EQ(f.positionLabel->text(), QString("%1/3 ").arg(r127 + 1) + QString::fromUtf16(u"曲"));
  EXPECT_TRUE(f.commandButtons[0]->isEnabled());
  EXPECT_TRUE(h.messages.requests.empty());

  SelectRow(f.fileList, r128);
  EXPECT_EQ(f.fileInfoText(2), "c-128.mp3");
  EXPECT_EQ(f.tagFields[0]->text(), "");
  EXPECT_EQ(f.tagFields[5]->text(), "0");
  EXPECT_TRUE(f.mpegInfoLabel->text().startsWith(QString::fromUtf16(u"File Size : 0 kb\n\nPlay Tine : \n\n\n\n最終更新日 : ")));
  EXPECT_EQ(f.positionLabel->text(), QString("%1/3 ").arg(r128 + 1) + QString::fromUtf16(u"曲"));
}

TEST(MainWindowDisplay, AFileDeletedSinceTheListingIsReportedAndTheDisplayStays) {
  MainWindowHarness h;
  h.music.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "a.mp3");
  h.music.CopyFixture("02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "b.mp3");
  h.WritePathDat({"1"});
  auto& f = h.Start();
  int shown = CurrentRow(f.fileList);
  QString name = RowText(f.fileList, shown);
  QString other = RowText(f.fileList, 1 - shown);
  QString listing = f.viewer().listing();
  QString info = f.mpegInfoLabel->text();
  std::filesystem::remove(h.music / Utf8(other));

  f.fileList->setFocus();
  QTest::keyClick(f.fileList, shown == 0 ? Qt::Key_Down : Qt::Key_Up);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].text, QString::fromUtf16(u"ファイルを開けません。\r\n") + Utf8(h.music.path()) + "/" +
                                             other + QString::fromUtf16(u"\r\nファイルが見つかりません。"));
  EXPECT_EQ(f.fileInfoText(2), name);
  EXPECT_EQ(f.viewer().listing(), listing);
  EXPECT_EQ(f.mpegInfoLabel->text(), info);
  EXPECT_EQ(f.positionLabel->text(), QString("%1/2 ").arg(shown + 1) + QString::fromUtf16(u"曲"));
}

TEST(MainWindowDisplay, MouseSelectionAndTheRowPaths) {
  MainWindowHarness h;
  h.music.CopyFixture("02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "Band/own.mp3");
  h.music.CopyFixture("12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3", "Band/Disc 1/曲.mp3");
  h.WritePathDat({"0", "/", h.music / "Band"});
  auto& f = h.Start();
  int row = Rows(f.fileList).indexOf(QString::fromUtf16(u"曲.mp3"));
  ASSERT_GE(row, 0);
  QRect r = f.fileList->visualRect(f.fileList->model()->index(row, 0));
  QTest::mouseClick(f.fileList->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(CurrentRow(f.fileList), row);
  EXPECT_EQ(f.fileInfoText(0), "Band");
  EXPECT_EQ(f.fileInfoText(1), "Disc 1");
  EXPECT_EQ(f.session().FolderPrefix(row), h.music / "Band/Disc 1/");
  EXPECT_EQ(f.session().FilePath(row), h.music / "Band/Disc 1/曲.mp3");
  EXPECT_EQ(f.tagFields[0]->text(), "");  // no ID3v1
  EXPECT_TRUE(f.viewer().listing().contains(QString::fromUtf16(u"TPE1(0) 珈琲ｶﾌｪ\r\n")));
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[0]);
}
