// "ID3v2をUnicodeで書く": with the box checked, the editor and the batch write Japanese
// ID3v2 texts in UTF-16, so that a reader that follows the standard (TagLib without
// any code page help) reads them; unchecked, they write the code page as before.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "windows/passes/batch_dialog.h"
#include "tag_editor_test_support.h"

using namespace vqtest;

namespace {

std::string Text(const TagLibView& v, const std::string& id) {
  auto it = v.texts.find(id);
  return it == v.texts.end() ? std::string("<none>") : it->second;
}

// music/歌手/アルバム/01 朝.mp3 and 02 Noon.mp3, the artist folder listed.
struct Tree {
  MainWindowHarness h;
  std::vector<std::string> files;
  explicit Tree(bool unicode) {
    files.push_back(h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/アルバム/01 朝.mp3"));
    files.push_back(h.music.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "歌手/アルバム/02 Noon.mp3"));
    h.WritePathDat({"0", "/", h.music / "歌手", " 0 ", " 0 ", unicode ? " 1 " : " 0 "});
    h.Start();
  }
};

}  // namespace

TEST(UnicodeV2, TheBatchWritesJapaneseThatAStandardReaderReads) {
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode);
    Tree t(unicode);
    ASSERT_EQ(t.h.form->unicodeBox->isChecked(), unicode);
    ModalDriver driver([](QDialog* d) { QTest::keyClick(static_cast<vq::BatchDialog*>(d)->commandButtons[0], Qt::Key_Return); });
    Press(t.h.form->tagFields[0], Qt::Key_F10);
    ASSERT_TRUE(t.h.messages.requests.empty());
    const TagLibView plain = ReadWithTagLib(t.files[0], false);
    EXPECT_EQ(Text(plain, "TIT2") == "01 朝", unicode);
    EXPECT_EQ(Text(plain, "TPE1") == "歌手", unicode);
    EXPECT_EQ(Text(plain, "TALB") == "アルバム", unicode);
    // Read as the code page, both forms give the texts; the ID3v1 record stays code page.
    const TagLibView cp932 = ReadWithTagLib(t.files[0]);
    EXPECT_EQ(Text(cp932, "TIT2"), "01 朝");
    EXPECT_EQ(cp932.v1Artist, "歌手");
    // An ASCII title keeps encoding 0 either way.
    EXPECT_EQ(Text(ReadWithTagLib(t.files[1], false), "TIT2"), "02 Noon");
  }
}

TEST(UnicodeV2, TheEditorWritesJapaneseThatAStandardReaderReads) {
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode);
    editortest::Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
    if (unicode) QTest::mouseClick(e.form().unicodeBox, Qt::LeftButton);
    ASSERT_EQ(e.session().unicodeV2, unicode);
    editortest::RunEditor(e.form(), [&](vq::TagEditorDialog& w) {
      editortest::Retype(w, 0, QString::fromUtf16(u"新しい曲名"));
      editortest::Retype(w, 4, QString::fromUtf16(u"コメント"));
      editortest::Retype(w, 5, QStringLiteral("1999"));
      editortest::Key(Qt::Key_F9);
    });
    const TagLibView plain = ReadWithTagLib(e.path, false);
    EXPECT_EQ(Text(plain, "TIT2") == "新しい曲名", unicode);
    EXPECT_EQ(Text(plain, "COMM") == "コメント", unicode);
    EXPECT_EQ(Text(plain, "TDRC"), "1999");
    const editortest::RawTag tag = editortest::ReadRawTagOf(e.path);
    ASSERT_NE(tag.Find("TIT2"), nullptr);
    EXPECT_EQ(tag.Find("TIT2")->flagsAndBody[2], unicode ? '\x01' : '\0');
    EXPECT_EQ(tag.Find("TYER")->flagsAndBody.substr(2), std::string("\0" "1999", 5));
  }
}
