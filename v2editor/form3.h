// Form3, "v2 Edit": the modal ID3v2 editor of the file selected in the main window. It
// shows the seven common frames as fields with their loaded values above them, every
// other frame in a list, and writes an ID3v2.3 tag with "v2更新(F9)".
//
// The class is split by concern:
//   form3.cpp           layout, placement, Form_Load, the fields' texts, closing
//   form3_commands.cpp  Command1_Click: write, fill from names or ID3v1, redo, close
//   form3_fields.cpp    the fields' focus and key handling
//   editor_tag.cpp      the frames behind the window: load, write input, table rebuild
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "formats/id3v2_reader.h"

class QKeyEvent;
class QLabel;
class QListWidget;
class QPushButton;

namespace vq {

class Form1;

class Form3 : public QDialog {
  Q_OBJECT

 public:
  // Builds and loads the window from the main window's shared state (Form_Load).
  explicit Form3(Form1& main);
  ~Form3() override;

  // Fields and labels from V2FrameTable, the other frames into List1, placement, and the
  // caret to the end of the title field.
  void Form_Load();
  // 0 "v2更新(F9)", 1 "ﾌｧｲﾙ参照(F7)", 2 "v1参照(F8)", 3 "終了(F12)", 4 "やり直し(F4)",
  // 5 "v2削除". Buttons 0-3 are disabled while a command runs; a call made meanwhile
  // (a function key while the write lets events run) does nothing.
  void Command1_Click(int index);

  void Text2_GotFocus(int index);
  // Removes CR LF pairs at the start and at the end of the field's text, repeatedly.
  void Text2_LostFocus(int index);
  // True when the key is consumed.
  bool Text2_KeyDown(int index, QKeyEvent* event);

  // A field's text with CR LF line breaks: fields 0-4 show each line break as a line of
  // their own and give back exactly the text they were given until the user edits them;
  // then every line break they hold reads as CR LF.
  QString text2(int index) const;
  void setText2(int index, const QString& text);
  // Label2(index)'s caption: the field's value as loaded, exactly (CR LF included).
  QString label2(int index) const { return loaded_[static_cast<std::size_t>(index)]; }

  // Controls. Text2 0-4 are QPlainTextEdit, 5 and 6 QLineEdit.
  std::array<QLabel*, 7> Label1{};  // captions; Label1(3) is the title's
  std::array<QLabel*, 7> Label2{};  // values as loaded
  std::array<QWidget*, 7> Text2{};
  std::array<QPushButton*, 6> Command1{};
  QListWidget* List1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // form3.cpp
  void BuildLayout();
  void PlaceWindow();
  void SetLabel2(int index, const QString& text);
  // form3_commands.cpp
  void EnableCommands(bool enabled);
  void WriteTag();
  void FillFromNames();
  void FillFromV1();
  void Redo();
  void FillIfEmpty(int index, const QString& text);

  Form1& main_;
  std::array<QString, 7> loaded_;
  // Fields 0-4 keep the exact text they were given while the user has not edited them.
  std::array<QString, 7> exact_;
  std::array<bool, 7> exactValid_{};
  bool settingText_ = false;
  // The frames the fields and List1's lines came from.
  std::array<std::optional<V2FrameEntry>, 7> fieldFrames_;
  std::vector<V2FrameEntry> keptFrames_;
  bool running_ = false;   // a command runs
  bool finished_ = false;  // written or closed: no further command
};

}  // namespace vq
