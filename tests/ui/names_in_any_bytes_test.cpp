// Collections copied from Windows keep their names in Shift-JIS bytes, others hold
// Latin-1 bytes or UTF-8 that code page 932 cannot hold. Such files and folders are
// listed, shown readably, selected, written with F9, F11 and the batch, walked with the
// next-folder button, played, and restored from "Path.dat" after a restart.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "windows/passes/batch_dialog.h"
#include "formats/bytesource.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "platform/codepage.h"
#include "widgets/shell.h"
#include "tag_editor_test_support.h"

using namespace vqtest;
using vq::ui::MsgAnswer;

namespace {

// Shift-JIS bytes of the names.
const std::string kArtist = vq::cp932::Encode(u"歌手");       // 89 CC 8E E8
const std::string kAlbum = vq::cp932::Encode(u"アルバム");
const std::string kSong = vq::cp932::Encode(u"テスト曲") + ".mp3";
const std::string kNext = vq::cp932::Encode(u"葵");           // 88 A8
const std::string kLatin1Song = "caf\xE9.mp3";
const std::string kUtf8Album = "Beyonc\xC3\xA9";

QString Str(const char16_t* s) { return QString::fromUtf16(s); }

std::map<std::u16string, std::u16string> V2Texts(const std::string& path) {
  vq::RawFile f(path, vq::RawFile::Mode::Read);
  vq::FileSource src(f);
  vq::V2Header h = vq::ReadV2Header(src);
  vq::V2FrameTable table;
  std::u16string listing;
  if (h.present) vq::WalkV2Frames(src, h.major, h.size, table, listing);
  std::map<std::u16string, std::u16string> out;
  for (const auto& e : table) out[e.id] = e.text;
  return out;
}

std::u16string V1Title(const std::string& path) {
  vq::RawFile f(path, vq::RawFile::Mode::Read);
  vq::FileSource src(f);
  auto rec = vq::ReadID3v1(src);
  return rec ? vq::DecodeID3v1(*rec).title : u"<none>";
}

// music/歌手/アルバム/テスト曲.mp3 and music/歌手/Beyoncé/café.mp3, all in the bytes
// named above, with a sibling artist folder; the artist folder is opened from
// "Path.dat", where it is stored as its own bytes.
struct Collection {
  MainWindowHarness h;
  std::string artist, song, latin1Song;
  Collection() {
    artist = h.music / kArtist;
    song = h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", kArtist + "/" + kAlbum + "/" + kSong);
    latin1Song = h.music.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3",
                                     kArtist + "/" + kUtf8Album + "/" + kLatin1Song);
    h.music.MakeDir(kNext);
    WriteBytes(h.PathDat(), "0\r\n/\r\n" + artist + "\r\n 0 \r\n 0 \r\n");
  }
  vq::MainWindow& Start() { return h.Start(h.music.path()); }
  int RowOf(const std::string& path) {
    for (int i = 0; i < RowCount(h.form->fileList); ++i)
      if (h.form->session().FilePath(i) == path) return i;
    return -1;
  }
};

}  // namespace

TEST(NamesInAnyBytes, ListedShownReadablyAndSelected) {
  Collection c;
  vq::MainWindow& f = c.Start();
  ASSERT_EQ(f.folderTree->path(), c.artist);
  EXPECT_EQ(f.folderTree->currentItem()->text(), Str(u"歌手"));
  QStringList rows = Rows(f.fileList);
  rows.sort();
  EXPECT_EQ(rows, (QStringList{Str(u"caf\uFFFD.mp3"), Str(u"テスト曲.mp3")}));

  f.SelectFile(c.RowOf(c.song));
  EXPECT_EQ(f.fileInfoText(0), Str(u"歌手"));
  EXPECT_EQ(f.fileInfoText(1), Str(u"アルバム"));
  EXPECT_EQ(f.fileInfoText(2), Str(u"テスト曲.mp3"));
  EXPECT_TRUE(f.mpegInfoLabel->text().startsWith("File Size : 24 kb"));

  f.SelectFile(c.RowOf(c.latin1Song));
  EXPECT_EQ(f.fileInfoText(1), Str(u"Beyoncé"));
  EXPECT_EQ(f.fileInfoText(2), Str(u"caf\uFFFD.mp3"));
  EXPECT_EQ(f.v1Mark->text(), "v1");
  EXPECT_EQ(f.v2Mark->text(), "v2");
  EXPECT_TRUE(c.h.messages.requests.empty());
}

TEST(NamesInAnyBytes, F9AndTheEditorWriteTheFileByItsOwnBytes) {
  Collection c;
  vq::MainWindow& f = c.Start();
  f.SelectFile(c.RowOf(c.song));
  const std::string before = ReadBytes(c.song);

  Type(f.tagFields[0], Str(u"新しい曲名"));
  Press(f.tagFields[0], Qt::Key_F9);
  EXPECT_TRUE(c.h.messages.requests.empty());
  EXPECT_EQ(ReadBytes(c.song).size(), before.size() + 128);
  EXPECT_EQ(V1Title(c.song), u"新しい曲名");

  // F11: the file has no ID3v2 tag, so the editor's write rebuilds it through
  // a temporary file in the Shift-JIS folder.
  editortest::RunEditor(f, [&](vq::TagEditorDialog& w) {
    editortest::Retype(w, 0, Str(u"エディタの曲名"));
    editortest::Key(Qt::Key_F9);
  });
  EXPECT_TRUE(c.h.messages.requests.empty());
  EXPECT_EQ(V2Texts(c.song)[u"TIT2"], u"エディタの曲名");
  EXPECT_EQ(editortest::BehindTag(ReadBytes(c.song)), before + ReadBytes(c.song).substr(ReadBytes(c.song).size() - 128));
  EXPECT_TRUE(TemporaryFilesIn(c.h.music.path()).empty());
  EXPECT_EQ(f.v2Mark->text(), "v2");
}

TEST(NamesInAnyBytes, TheBatchDerivesJapaneseNamesFromTheBytes) {
  Collection c;
  vq::MainWindow& f = c.Start();
  vqtest::ModalDriver driver([](QDialog* d) {
    auto* w = static_cast<vq::BatchDialog*>(d);
    QTest::keyClick(w->commandButtons[0], Qt::Key_Return);
  });
  Press(f.tagFields[0], Qt::Key_F10);
  EXPECT_TRUE(c.h.messages.requests.empty());

  auto song = V2Texts(c.song);
  EXPECT_EQ(song[u"TIT2"], u"テスト曲");
  EXPECT_EQ(song[u"TPE1"], u"歌手");
  EXPECT_EQ(song[u"TALB"], u"アルバム");
  EXPECT_EQ(V1Title(c.song), u"テスト曲");
  auto latin1 = V2Texts(c.latin1Song);
  EXPECT_EQ(latin1[u"TIT2"], u"caf\uFFFD");
  EXPECT_EQ(latin1[u"TALB"], u"Beyoncé");
  // An independent reader finds the same texts.
  auto view = ReadWithTagLib(c.latin1Song);
  EXPECT_EQ(view.texts.find("TALB")->second, "Beyoncé");
}

TEST(NamesInAnyBytes, NextFolderAndPlayWorkWithTheBytes) {
  std::vector<std::pair<std::string, std::string>> launches;
  struct Guard {
    vq::ui::Shell::Launcher previous;
    ~Guard() { vq::ui::Shell::SetLauncher(std::move(previous)); }
  } guard{vq::ui::Shell::SetLauncher(
      [&](const std::string&, const std::vector<std::string>& args, const std::string& folder) {
        launches.emplace_back(args.at(0), folder);
        return true;
      })};
  Collection c;
  vq::MainWindow& f = c.Start();
  f.SelectFile(c.RowOf(c.song));
  Press(f.tagFields[0], Qt::Key_F6);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].first, c.song);
  EXPECT_EQ(launches[0].second, c.artist);

  // The two artist folders go by their names as shown, "歌手" (U+6B4C) before "葵"
  // (U+8475), though the bytes of "葵" (88 A8) come before those of "歌手" (89 CC).
  EXPECT_EQ(f.nextFolderButton->text(), Str(u"次ﾌｫﾙﾀﾞへ(1/2)"));
  QTest::mouseClick(f.nextFolderButton, Qt::LeftButton);
  EXPECT_EQ(f.folderTree->path(), c.h.music / kNext);
  EXPECT_EQ(RowCount(f.fileList), 0);
}

TEST(NamesInAnyBytes, ReadOnlyWarningNamesNothingAndTheUpdateErrorShowsTheNames) {
  Collection c;
  ASSERT_EQ(::chmod(c.song.c_str(), 0444), 0);
  vq::MainWindow& f = c.Start();
  ASSERT_EQ(c.h.messages.requests.size(), 1u);
  EXPECT_EQ(c.h.messages.requests[0].text, Str(u"選択されているファイルが読取専用になっています"));
  EXPECT_EQ(f.session().FilePath(CurrentRow(f.fileList)), c.song);
  c.h.messages.Clear();
  Press(f.tagFields[0], Qt::Key_F9);
  ASSERT_EQ(c.h.messages.requests.size(), 1u);
  EXPECT_EQ(c.h.messages.requests[0].caption, Str(u"更新エラー"));
  EXPECT_EQ(c.h.messages.requests[0].text, Str(u"ファイルの属性が読み取り専用になっていませんか?\r\n") +
                                               Utf8(c.h.music.path()) + Str(u"/歌手/アルバム/\r\nテスト曲.mp3"));
}

// Quitting stores each folder so that the next start finds it again: in code page 932
// when it converts exactly both ways, else as its own bytes.
TEST(NamesInAnyBytes, PathDatBringsEveryFolderBackAfterARestart) {
  for (const std::string& name : {kArtist, kUtf8Album, std::string("caf\xE9"), std::string("歌手")}) {
    SCOPED_TRACE(testing::PrintToString(name));
    MainWindowHarness h;
    const std::string folder = h.music.MakeDir(name);
    vqtest::MakeFile(folder + "/a.mp3", 200);
    h.Start(folder);
    ASSERT_EQ(h.form->folderTree->path(), folder);
    h.CloseAnswering(MsgAnswer::Yes);
    ASSERT_TRUE(h.ended);
    const std::string stored = ReadBytes(h.PathDat());
    EXPECT_NE(stored.find(name == "歌手" ? vq::cp932::Encode(u"歌手") : name), std::string::npos);

    MainWindowHarness again;
    WriteBytes(again.PathDat(), stored);
    vq::MainWindow& g = again.Start(again.music.path());
    EXPECT_EQ(g.folderTree->path(), folder);
    EXPECT_EQ(Rows(g.fileList), QStringList{"a.mp3"});
  }
}
