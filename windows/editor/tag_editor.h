// TagEditorDialog, "v2 Edit": the modal ID3v2 editor of the session's selected file. It shows the
// seven common frames as fields with their loaded values above them, every other frame
// in a list, and writes an ID3v2.3 tag with "v2更新(F9)".
//
// The class is split by concern:
//   tag_editor.cpp           layout, placement, Load, the fields' texts, closing
//   tag_editor_commands.cpp  the command table and RunCommand: write, fills, redo, close
//   tag_editor_fields.cpp    the fields' focus and key handling
//   tag_editor_extra_fields.cpp  the track, disc and sort reading fields
//   tag_editor_cover.cpp     the front cover: shown, set, removed and saved
// The fields' data, the fills and the write are the session's editor model
// (session/editor_model.h).
#pragma once

#include <QDialog>
#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "session/editor_model.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;

namespace vq {

namespace ui {
class CoverView;
}

// What the editor gets from the main window that opens it.
struct TagEditorLink {
  MainWindowTexts main;     // the names and ID3v1 fields the main window showed
  QSize mainOuter;          // outer sizes of the main window and the reference viewer
  QSize viewerOuter;
  QSize decoration;         // a window frame's extra size, until this window has its own
  QRect workArea;           // the main window's screen's work area; the window stays inside
};

// What the editor did, for the main window to show once it has closed.
struct TagEditorResult {
  bool headerWritten = false;  // the write reached the file: it has an ID3v2.3 tag ("v2", "3.0")
  bool tableRebuilt = false;   // the session's frame table and listing describe the fields
};

class TagEditorDialog : public QDialog {
  Q_OBJECT

 public:
  // Builds and loads the window from the session's frame table (Load).
  TagEditorDialog(Session& session, TagEditorLink link, QWidget* parent = nullptr);
  ~TagEditorDialog() override;

  // Fields and labels from the session's frame table, the other frames into keptFramesList, placement, and the
  // caret to the end of the title field.
  void Load();
  // 0 "v2更新(F9)", 1 "ﾌｧｲﾙ参照(F7)", 2 "v1参照(F8)", 3 "終了(F12)", 4 "やり直し(F4)",
  // 5 "v2削除". Buttons 0-3 are disabled while a command runs; a call made meanwhile
  // (a function key while the write lets events run) does nothing.
  enum class Command { WriteTag = 0, FillFromNames, FillFromV1, Close, RestoreLoaded, DeleteTag };
  void RunCommand(Command command);

  void FieldEntered(int index);
  // Removes CR LF pairs at the start and at the end of the field's text, repeatedly.
  void FieldLeft(int index);
  // True when the key is consumed.
  bool FieldKeyDown(int index, QKeyEvent* event);

  // A field's text with CR LF line breaks: fields 0-4 show each line break as a line of
  // their own and give back exactly the text they were given until the user edits them;
  // then every line break they hold reads as CR LF.
  QString fieldText(int index) const;
  void setFieldText(int index, const QString& text);
  // The stored value's caption: the field's value as loaded, exactly (CR LF included).
  QString storedValue(int index) const;

  const TagEditorResult& result() const { return result_; }

  // The front cover (tag_editor_cover.cpp). Set and removed covers are the editor's
  // until "v2更新(F9)" writes them with the fields; saving writes a picture file at once.
  void ChooseCoverFile();  // "表紙を設定…": a JPEG or PNG file from a file dialog
  void SetCoverFromFile(const std::string& path);
  // `source` names the image in messages (its file, or where it came from).
  void SetCoverFromBytes(std::string_view bytes, const QString& source);
  void TakeOfferedImage(const QMimeData* data, bool pasted);  // dropped or pasted
  void RemoveCover();      // "表紙を削除"
  void SaveCover();        // "表紙を保存…": the picture under the extension of its format

  // Controls, indexed by EditorField except the captions (the title's is 3). The fields
  // of title to comment are QPlainTextEdit, year and genre QLineEdit.
  std::array<QLabel*, 7> captionLabels{};
  std::array<QLabel*, 7> storedValueLabels{};  // values as loaded
  std::array<QWidget*, 7> tagFields{};
  std::array<QPushButton*, 6> commandButtons{};
  QListWidget* keptFramesList = nullptr;
  // The track, disc and sort reading fields with their captions, in ExtraField order.
  std::array<QLabel*, kExtraFieldCount> numberAndReadingCaptions{};
  std::array<QLineEdit*, kExtraFieldCount> numberAndReadingFields{};
  // True when the key is consumed: Enter, and the commands' function keys.
  bool ExtraFieldKeyDown(int index, QKeyEvent* event);
  // Right of the design's controls: the front cover, what it is, and its commands.
  QLabel* coverCaptionLabel = nullptr;  // "表紙(V)": Alt+V takes the keyboard to the picture
  ui::CoverView* coverView = nullptr;   // takes dropped and pasted images
  QLabel* coverInfoLabel = nullptr;
  QPushButton* setCoverButton = nullptr;
  QPushButton* removeCoverButton = nullptr;
  QPushButton* saveCoverButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // tag_editor.cpp
  void BuildLayout();
  void PlaceWindow();
  void SetStoredValue(int index, const QString& text);
  // tag_editor_commands.cpp: each command once, with its key, caption, place and action.
  struct CommandSpec {
    Command command;
    Qt::Key key;              // its function key in the fields; Qt::Key_unknown for none
    bool cleansField;         // the field's leaving clean-up runs before it (F9)
    const char16_t* caption;
    int left;                 // twips; every button is at top 6360, 1575 x 495
    void (TagEditorDialog::*action)();  // nullptr: no action
    bool closes;              // the window closes after it
  };
  static const CommandSpec kCommands[6];
  QPushButton* MakeButton(Command command);
  void EnableCommands(bool enabled);
  void WriteTag();
  void FillFromNames();
  void FillFromV1();
  void RestoreLoadedValues();
  EditorFields Fields() const;
  void ShowFields(const EditorFields& fields);
  // tag_editor_extra_fields.cpp
  void BuildExtraFields();
  void LoadExtraFields();
  void RestoreExtraFields();
  ExtraFields ExtraFieldTexts() const;
  // tag_editor_cover.cpp
  void BuildCoverPanel();
  void ShowCover();
  void ShowKeptLines();
  void RestoreLoadedCover();
  bool CoverCommandsAllowed() const { return !running_ && !finished_; }

  Session& session_;
  TagEditorLink link_;
  TagEditorResult result_;
  EditorModel model_;
  std::vector<KeptLine> loadedKept_;  // the kept lines as loaded: "やり直し(F4)" puts the cover back too
  // Fields 0-4 keep the exact text they were given while the user has not edited them.
  std::array<QString, 7> exact_;
  std::array<bool, 7> exactValid_{};
  bool settingText_ = false;
  bool running_ = false;   // a command runs
  bool finished_ = false;  // written or closed: no further command
};

}  // namespace vq
