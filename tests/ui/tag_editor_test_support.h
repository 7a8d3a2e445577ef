// Helpers of the ID3v2 editor's window tests: a main window on a file of its own, the
// editor opened and driven inside its modal loop with real key events, and the frames of
// a written file in raw bytes.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "platform/fileio.h"
#include "widgets/dialogs.h"
#include "widgets/folder_list.h"
#include "widgets/qt_text.h"
#include "support/ui/ui_test_util.h"
#include "windows/editor/tag_editor.h"
#include "windows/viewer/reference_viewer.h"

namespace editortest {

using vqtest::Utf8;

// A main window whose list shows one file, selected: music/歌手/アルバム/<name>, listed in
// folder-structure mode from the artist folder.
struct Editing {
  vqtest::MainWindowHarness h;
  std::string path;
  std::string before;  // the file's bytes before the editor ran

  explicit Editing(const std::string& fixture, const std::string& name = "01 曲.mp3") {
    path = h.music.CopyFixture(fixture, "歌手/アルバム/" + name);
    Init();
  }
  // A file with the given bytes.
  Editing(const std::string& bytes, const std::string& name, bool) {
    h.music.MakeDir("歌手/アルバム");
    path = h.music / ("歌手/アルバム/" + name);
    vqtest::WriteBytes(path, bytes);
    Init();
  }

  vq::MainWindow& form() { return *h.form; }
  vq::Session& session() { return h.session; }
  QString listing() { return form().viewer().listing(); }

 private:
  void Init() {
    before = vqtest::ReadBytes(path);
    h.Start(h.music.path());
    form().folderTree->setPath(h.music / "歌手");
    const QString name = Utf8(path.substr(path.rfind('/') + 1));
    for (int i = 0; i < vqtest::RowCount(form().fileList); ++i)
      if (vqtest::RowText(form().fileList, i) == name) form().SelectFile(i);
    EXPECT_EQ(vqtest::RowText(form().fileList, vqtest::CurrentRow(form().fileList)), name);
  }
};

// Opens the editor on the main window's selection and runs `drive` inside its modal
// loop once it is shown and active; the main window then shows what it did, as after
// F11. Returns exec()'s result.
inline int RunEditor(vq::MainWindow& main, const std::function<void(vq::TagEditorDialog&)>& drive) {
  vq::TagEditorDialog w(main.session(), main.EditorLink(), &main);
  vqtest::ModalDriver driver([&](QDialog* d) {
    EXPECT_EQ(d, &w);
    EXPECT_TRUE(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
    drive(w);
  });
  const int result = vq::ui::Dialogs::Exec(&w);
  main.ShowEditorResult(w.result());
  return result;
}

// Real key events to the widget that has the keyboard focus.
inline void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  QTest::keyClick(focus, key, mods);
}

// Types text, one key event per character, into the focused widget.
inline void Type(const QString& text) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  for (QChar c : text) QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Removes a field's whole text with the keyboard.
inline void ClearFocused() {
  Key(Qt::Key_A, Qt::ControlModifier);
  Key(Qt::Key_Delete);
}

// Moves the focus to field k with Enter from the title field.
inline void GoToField(vq::TagEditorDialog& w, int k) {
  w.tagFields[0]->setFocus();
  for (int i = 0; i < k; ++i) Key(Qt::Key_Return);
  ASSERT_EQ(QApplication::focusWidget(), w.tagFields[k]);
}

// Replaces field k's text by typing.
inline void Retype(vq::TagEditorDialog& w, int k, const QString& text) {
  GoToField(w, k);
  ClearFocused();
  Type(text);
}

// What a field shows, with its line breaks as "\n".
inline QString Shown(const vq::TagEditorDialog& w, int k) {
  if (auto* line = qobject_cast<QLineEdit*>(w.tagFields[k])) return line->text();
  return static_cast<QPlainTextEdit*>(w.tagFields[k])->toPlainText();
}

inline QStringList Lines(const QListWidget* list) { return vqtest::Rows(list); }

// One frame of a v2.3 tag as bytes.
struct RawFrame {
  std::string id;
  std::string flagsAndBody;  // two flag bytes, then the body
  bool operator==(const RawFrame&) const = default;
};

// The frames of a v2.3 or v2.4 tag as they are in the file, and the tag's size field.
struct RawTag {
  bool present = false;
  int major = 0;
  std::int32_t size = 0;
  std::vector<RawFrame> frames;
  const RawFrame* Find(const std::string& id, int nth = 0) const {
    for (const auto& f : frames)
      if (f.id == id && nth-- == 0) return &f;
    return nullptr;
  }
  std::vector<std::string> Ids() const {
    std::vector<std::string> ids;
    for (const auto& f : frames) ids.push_back(f.id);
    return ids;
  }
};

inline RawTag ReadRawTag(const std::string& bytes) {
  RawTag t;
  if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0) return t;
  auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
  t.present = true;
  t.major = static_cast<int>(b(3));
  t.size = static_cast<std::int32_t>((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9));
  std::size_t o = 10;
  const std::size_t end = std::min<std::size_t>(bytes.size(), 10 + static_cast<std::size_t>(t.size));
  while (o + 10 <= end && bytes[o] != '\0') {
    std::uint32_t n = t.major == 4 ? ((b(o + 4) << 21) | (b(o + 5) << 14) | (b(o + 6) << 7) | b(o + 7))
                                   : ((b(o + 4) << 24) | (b(o + 5) << 16) | (b(o + 6) << 8) | b(o + 7));
    if (o + 10 + n > end) break;
    t.frames.push_back({bytes.substr(o, 4), bytes.substr(o + 8, 2 + n)});
    o += 10 + n;
  }
  return t;
}

inline RawTag ReadRawTagOf(const std::string& path) { return ReadRawTag(vqtest::ReadBytes(path)); }

// The bytes behind the ID3v2 tag: the audio and an ID3v1 tag if there is one (both must
// come through a write unchanged).
inline std::string BehindTag(const std::string& bytes) {
  RawTag t = ReadRawTag(bytes);
  return t.present ? bytes.substr(10 + static_cast<std::size_t>(t.size)) : bytes;
}

// The table's (id, text) pairs, skipping the reset table's empty entry.
inline std::vector<std::pair<std::u16string, std::u16string>> Pairs(const vq::V2FrameTable& table) {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (const auto& e : table)
    if (!e.id.empty()) out.emplace_back(e.id, e.text);
  return out;
}

// A frame's texts as TagLib reads them, by id.
inline std::vector<std::string> TagLibTexts(const vqtest::TagLibView& v, const std::string& id) {
  std::vector<std::string> out;
  auto range = v.texts.equal_range(id);
  for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
  return out;
}

// A v2.2 tag (6-byte frame headers) in front of `audio`.
inline std::string V22File(const std::vector<std::pair<std::string, std::string>>& frames, const std::string& audio,
                           std::size_t padding = 16) {
  std::string body;
  for (const auto& [id, data] : frames) {
    body += id;
    body.push_back(static_cast<char>((data.size() >> 16) & 0xFF));
    body.push_back(static_cast<char>((data.size() >> 8) & 0xFF));
    body.push_back(static_cast<char>(data.size() & 0xFF));
    body += data;
  }
  body.append(padding, '\0');
  std::string tag = "ID3";
  tag += '\x02';
  tag += '\0';
  tag += '\0';
  const std::size_t s = body.size();
  for (int shift : {21, 14, 7, 0}) tag.push_back(static_cast<char>((s >> shift) & 0x7F));
  return tag + body + audio;
}

// A v2.3 tag with the given frames (id, flags and body) in front of `audio`.
inline std::string V23File(const std::vector<std::pair<std::string, std::string>>& frames, const std::string& audio,
                           std::size_t padding = 64) {
  std::string body;
  for (const auto& [id, data] : frames) {
    body += id;
    for (int shift : {24, 16, 8, 0}) body.push_back(static_cast<char>((data.size() >> shift) & 0xFF));
    body.append(2, '\0');
    body += data;
  }
  body.append(padding, '\0');
  std::string tag = "ID3";
  tag += '\x03';
  tag += '\0';
  tag += '\0';
  const std::size_t s = body.size();
  for (int shift : {21, 14, 7, 0}) tag.push_back(static_cast<char>((s >> shift) & 0x7F));
  return tag + body + audio;
}

}  // namespace editortest
