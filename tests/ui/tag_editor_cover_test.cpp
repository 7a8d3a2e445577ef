// The ID3v2 editor's front cover: shown on the right, set from a file, a drop or the
// clipboard, removed, saved, and written by F9 with the fields (other frames byte for
// byte, read back by TagLib); bad images are refused with a message that names them.
#include <QClipboard>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <deque>
#include <optional>

#include "formats/picture.h"
#include "support/ui/test_images.h"
#include "tag_editor_test_support.h"
#include "widgets/cover_view.h"
#include "widgets/twips.h"

using namespace vq;
using namespace editortest;

namespace {

std::string Apic(std::uint8_t type, const std::string& data, const std::string& mime = "image/jpeg") {
  return std::string("\0", 1) + mime + '\0' + static_cast<char>(type) + std::string("\0", 1) + data;
}

std::string Audio() { return vqtest::ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3")); }

// Answers the file dialogs while it lives, recording each request.
class FileAnswers {
 public:
  FileAnswers() {
    previous_ = ui::Dialogs::SetFileAnswerer([this](const ui::FileRequest& r) {
      requests.push_back(r);
      if (answers.empty()) return QString();
      const QString a = answers.front();
      answers.pop_front();
      return a;
    });
  }
  ~FileAnswers() { ui::Dialogs::SetFileAnswerer(std::move(previous_)); }
  std::vector<ui::FileRequest> requests;
  std::deque<QString> answers;

 private:
  ui::Dialogs::FileAnswerer previous_;
};

// Presses a mnemonic and waits until its button's click has run (a mnemonic clicks
// after the button has been shown pressed).
void Mnemonic(QPushButton* button, Qt::Key key) {
  bool clicked = false;
  auto c = QObject::connect(button, &QPushButton::clicked, [&] { clicked = true; });
  Key(key, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return clicked; })) << button->objectName().toStdString();
  QObject::disconnect(c);
}

// The file's frames other than APIC, as raw bytes, by id (the editor writes its fields
// first, in field order).
std::vector<RawFrame> NonPictures(const std::string& bytes) {
  std::vector<RawFrame> out;
  for (const RawFrame& f : ReadRawTag(bytes).frames)
    if (f.id != "APIC") out.push_back(f);
  std::stable_sort(out.begin(), out.end(), [](const RawFrame& a, const RawFrame& b) { return a.id < b.id; });
  return out;
}

}  // namespace

TEST(TagEditorCover, ThePanelUnderTheNumberAndReadingFieldsReachedByMnemonics) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  TagEditorDialog w(e.form().session(), e.form().EditorLink(), &e.form());
  const struct {
    const char* name;
    const char16_t* caption;
    const char16_t* accessible;
    int left, top, width, height;
  } controls[] = {
      {"coverCaptionLabel", u"表紙(&V)", u"表紙", 14880, 4320, 1800, 375},
      {"coverView", nullptr, u"表紙", 14880, 4680, 1800, 1800},
      {"coverInfoLabel", nullptr, u"表紙の情報", 16800, 6240, 2055, 735},
      {"setCoverButton", u"表紙を設定(&S)…", u"表紙を設定", 16800, 4680, 2055, 495},
      {"removeCoverButton", u"表紙を削除(&E)", u"表紙を削除", 16800, 5220, 2055, 495},
      {"saveCoverButton", u"表紙を保存(&A)…", u"表紙を保存", 16800, 5760, 2055, 495},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.name);
    auto* widget = w.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), ui::TwipsRect(c.left, c.top, c.width, c.height));
    EXPECT_EQ(widget->accessibleName(), QString::fromUtf16(c.accessible));
    if (auto* button = qobject_cast<QPushButton*>(widget)) EXPECT_EQ(button->text(), QString::fromUtf16(c.caption));
  }
  EXPECT_EQ(w.coverCaptionLabel->buddy(), w.coverView);
  // Without a picture: nothing shown, nothing to remove or save.
  EXPECT_TRUE(w.coverView->picture().isNull());
  EXPECT_EQ(w.coverInfoLabel->text(), QStringLiteral("表紙はありません。"));
  EXPECT_FALSE(w.removeCoverButton->isEnabled());
  EXPECT_FALSE(w.saveCoverButton->isEnabled());
}

TEST(TagEditorCover, ACoverFromAFileIsWrittenByF9AsTheFrontCoverTagLibReads) {
  Editing e(V23File({{"TIT2", std::string("\0Title", 6)},
                     {"APIC", Apic(4, vqtest::PngBytes(20, 20), "image/png")},
                     {"PRIV", std::string("owner\0\x01\x02\x03", 9)}},
                    Audio()),
            "01 曲.mp3", true);
  const std::string image = vqtest::JpegBytes(320, 240);
  const std::string imagePath = e.h.music / "歌手/アルバム/表紙 画像.JPG";
  vqtest::WriteBytes(imagePath, image);
  FileAnswers files;
  files.answers.push_back(Utf8(imagePath));
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    // The back cover is the front cover while the file has no picture of type 3.
    EXPECT_EQ(w.coverView->picture().size(), QSize(20, 20));
    Mnemonic(w.setCoverButton, Qt::Key_S);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].kind, ui::FileRequest::Kind::Open);
    EXPECT_EQ(files.requests[0].path, Utf8(e.h.music / "歌手/アルバム/"));
    EXPECT_EQ(w.coverView->picture().size(), QSize(320, 240));
    EXPECT_TRUE(w.coverInfoLabel->text().startsWith(QStringLiteral("320 × 240 ピクセル\nJPEG  ")));
    EXPECT_EQ(Lines(w.keptFramesList), (QStringList{"APIC:", "PRIV:", "APIC:"}));
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);  // the keyboard stayed
    // Nothing is written before F9.
    EXPECT_EQ(vqtest::ReadBytes(e.path), e.before);
    Key(Qt::Key_F9);
  });
  EXPECT_TRUE(e.h.messages.requests.empty());
  const std::string after = vqtest::ReadBytes(e.path);
  EXPECT_EQ(BehindTag(after), BehindTag(e.before));
  EXPECT_EQ(NonPictures(after), NonPictures(e.before));
  const RawTag before = ReadRawTag(e.before);
  EXPECT_EQ(*ReadRawTag(after).Find("APIC", 0), *before.Find("APIC", 0));  // the back cover, whole

  const vqtest::TagLibView v = vqtest::ReadWithTagLib(e.path);
  ASSERT_EQ(v.pictureFrames.size(), 2u);
  const vqtest::TagLibPicture& front = v.pictureFrames[1];
  EXPECT_EQ(front.type, 3);
  EXPECT_EQ(front.mime, "image/jpeg");
  EXPECT_EQ(front.description, "");
  EXPECT_EQ(front.encoding, 0);
  EXPECT_EQ(front.data, image);
  EXPECT_EQ(v.pictureFrames[0].type, 4);
  // The viewer shows what was written.
  EXPECT_EQ(e.form().viewer().coverView->picture().size(), QSize(320, 240));
}

TEST(TagEditorCover, ReplacingAndRemovingTheFrontCoverKeepEveryOtherFrame) {
  const std::string png = vqtest::PngBytes(50, 50);
  for (const bool remove : {false, true}) {
    SCOPED_TRACE(remove ? "remove" : "replace");
    Editing e("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3");
    const std::string pngPath = e.h.music / "cover.png";
    vqtest::WriteBytes(pngPath, png);
    FileAnswers files;
    files.answers.push_back(Utf8(pngPath));
    RunEditor(e.form(), [&](TagEditorDialog& w) {
      EXPECT_EQ(w.coverView->picture().size(), QSize(116, 116));
      EXPECT_TRUE(w.removeCoverButton->isEnabled());
      if (remove) {
        Mnemonic(w.removeCoverButton, Qt::Key_E);
        EXPECT_TRUE(w.coverView->picture().isNull());
        EXPECT_EQ(w.keptFramesList->count(), 0);
      } else {
        QTest::mouseClick(w.setCoverButton, Qt::LeftButton);
        EXPECT_EQ(Lines(w.keptFramesList), QStringList{"APIC:"});
      }
      Key(Qt::Key_F9);
    });
    const std::string after = vqtest::ReadBytes(e.path);
    EXPECT_EQ(NonPictures(after), NonPictures(e.before));
    EXPECT_EQ(BehindTag(after), BehindTag(e.before));
    const vqtest::TagLibView v = vqtest::ReadWithTagLib(e.path);
    if (remove) {
      EXPECT_TRUE(v.pictureFrames.empty());
    } else {
      ASSERT_EQ(v.pictureFrames.size(), 1u);
      EXPECT_EQ(v.pictureFrames[0].data, png);
      EXPECT_EQ(v.pictureFrames[0].mime, "image/png");
      EXPECT_EQ(v.pictureFrames[0].type, 3);
    }
  }
}

TEST(TagEditorCover, BadImagesAreRefusedByNameAndNothingChanges) {
  const std::string jpeg = vqtest::JpegBytes(200, 100);
  const struct {
    const char* file;
    std::optional<std::string> bytes;  // none: no such file
    const char16_t* problem;
    const char16_t* message = u"表紙にできません。";
  } rows[] = {
      {"cut.jpg", jpeg.substr(0, jpeg.size() - 40), u"画像が途中で切れています。"},
      {"missing.jpg", std::nullopt, u"ファイルが見つかりません。", u"表紙の画像を読めません。"},
      {"really a gif.png", vqtest::GifBytes(), u"JPEG か PNG の画像ではありません（GIF の画像です）。"},
      {"huge.jpg", vqtest::JpegClaiming(jpeg, 20000, 20000), u"画像が大きすぎます（20,000 × 20,000 ピクセル）。"},
      {"cover.jpg", "", u"画像のデータがありません（0 バイト）。"},
      {"notes.png", "just some text", u"画像ではありません（JPEG でも PNG でもありません）。"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.file);
    Editing e("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3");
    const std::string path = e.h.music / ("画像/" + std::string(r.file));
    e.h.music.MakeDir("画像");
    if (r.bytes) vqtest::WriteBytes(path, *r.bytes);
    FileAnswers files;
    files.answers.push_back(Utf8(path));
    RunEditor(e.form(), [&](TagEditorDialog& w) {
      Mnemonic(w.setCoverButton, Qt::Key_S);
      // The old cover is still the one shown and listed.
      EXPECT_EQ(w.coverView->picture().size(), QSize(116, 116));
      EXPECT_EQ(Lines(w.keptFramesList), QStringList{"APIC:"});
      Key(Qt::Key_F12);
    });
    ASSERT_EQ(e.h.messages.requests.size(), 1u);
    EXPECT_EQ(e.h.messages.requests[0].text,
              QString::fromUtf16(r.message) + QStringLiteral("\r\n") + Utf8(path) + QStringLiteral("\r\n") +
                  QString::fromUtf16(r.problem));
    EXPECT_EQ(vqtest::ReadBytes(e.path), e.before);
  }
}

TEST(TagEditorCover, ADroppedFileAndAPastedImageBecomeTheCover) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  const std::string jpegPath = e.h.music / "dropped.jpg";
  vqtest::WriteBytes(jpegPath, vqtest::JpegBytes(90, 60));
  const std::string pasted = vqtest::PngBytes(30, 40);
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    // A file dropped on the picture.
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(Utf8(jpegPath))});
    const QPoint at = w.coverView->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &drop, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.coverView, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent event(at, Qt::CopyAction, &drop, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.coverView, &event);
    EXPECT_EQ(w.coverView->picture().size(), QSize(90, 60));

    // PNG bytes from the clipboard: Alt+V takes the keyboard to the picture, Ctrl+V pastes.
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), QByteArray::fromStdString(pasted));
    QApplication::clipboard()->setMimeData(data);
    Key(Qt::Key_V, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), w.coverView);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.coverView->picture().size(), QSize(30, 40));
    EXPECT_EQ(Lines(w.keptFramesList), QStringList{"APIC:"});
    // The keyboard is back in the title field, where F9 writes.
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);
    Key(Qt::Key_F9);
  });
  EXPECT_TRUE(e.h.messages.requests.empty());
  const vqtest::TagLibView v = vqtest::ReadWithTagLib(e.path);
  ASSERT_EQ(v.pictureFrames.size(), 1u);
  EXPECT_EQ(v.pictureFrames[0].data, pasted);
  EXPECT_EQ(v.pictureFrames[0].mime, "image/png");
}

TEST(TagEditorCover, F4PutsTheLoadedCoverBackAndF12WritesNothing) {
  Editing e("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    Mnemonic(w.removeCoverButton, Qt::Key_E);
    EXPECT_TRUE(w.coverView->picture().isNull());
    QTest::mouseClick(w.commandButtons[4], Qt::LeftButton);  // "やり直し(F4)"
    EXPECT_EQ(w.coverView->picture().size(), QSize(116, 116));
    EXPECT_EQ(Lines(w.keptFramesList), QStringList{"APIC:"});
    Mnemonic(w.removeCoverButton, Qt::Key_E);
    Key(Qt::Key_F12);
  });
  EXPECT_EQ(vqtest::ReadBytes(e.path), e.before);
}

TEST(TagEditorCover, SavedUnderTheExtensionOfItsBytesABrokenOneNot) {
  // A JPEG that its frame calls a PNG.
  const std::string jpeg = vqtest::JpegBytes(40, 30);
  Editing e(V23File({{"APIC", Apic(3, jpeg, "image/png")}}, Audio()), "01.mp3", true);
  FileAnswers files;
  files.answers.push_back(Utf8(e.h.music / "歌手/アルバム/表紙"));  // typed without an extension
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    EXPECT_TRUE(w.coverInfoLabel->text().contains(QStringLiteral("JPEG（MIMEタイプは image/png）")));
    Mnemonic(w.saveCoverButton, Qt::Key_A);
    Key(Qt::Key_F12);
  });
  ASSERT_EQ(files.requests.size(), 1u);
  EXPECT_EQ(files.requests[0].kind, ui::FileRequest::Kind::Save);
  EXPECT_EQ(files.requests[0].path, Utf8(e.h.music / "歌手/アルバム/cover.jpg"));
  EXPECT_EQ(files.requests[0].defaultSuffix, QStringLiteral("jpg"));
  EXPECT_EQ(vqtest::ReadBytes(e.h.music / "歌手/アルバム/表紙.jpg"), jpeg);
  EXPECT_EQ(vqtest::ReadBytes(e.path), e.before);

  // A picture that does not decode: a message naming the MP3 file, no dialog, no file.
  const std::string cut = jpeg.substr(0, jpeg.size() / 2);
  Editing broken(V23File({{"APIC", Apic(3, cut)}}, Audio()), "02 壊れ.mp3", true);
  FileAnswers none;
  RunEditor(broken.form(), [&](TagEditorDialog& w) {
    EXPECT_TRUE(w.coverView->picture().isNull());
    EXPECT_EQ(w.coverInfoLabel->text(), QStringLiteral("表紙を表示できません。\n画像が途中で切れています。"));
    Mnemonic(w.saveCoverButton, Qt::Key_A);
    Key(Qt::Key_F12);
  });
  EXPECT_TRUE(none.requests.empty());
  ASSERT_EQ(broken.h.messages.requests.size(), 1u);
  EXPECT_EQ(broken.h.messages.requests[0].text,
            QStringLiteral("表紙を保存できません。\r\n") + Utf8(broken.h.music / "歌手/アルバム/02 壊れ.mp3") +
                QStringLiteral("\r\n画像が途中で切れています。"));
}
