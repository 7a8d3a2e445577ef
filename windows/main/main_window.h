// MainWindow, "Velquist": the main window. It owns the current drive and folder, the naming
// mode, the file list and the six ID3v1 fields, and its closing ends the program.
//
// The class is split by concern:
//   main_window_startup.cpp   layout, Start, ConfirmQuit, "Path.dat"
//   main_window_listing.cpp   drive and folder changes, next folder, modes, the file list
//   main_window_display.cpp   ShowSelectedFile: the selected file's tags and information
//   main_window_commands.cpp  RunCommand: the function-key commands
//   main_window_fields.cpp    the tag fields' focus and key handling
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "passes/to_unicode.h"
#include "platform/fileio.h"
#include "windows/passes/batch_dialog.h"
#include "session/session.h"
#include "windows/editor/tag_editor.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;

namespace vq {

namespace ui {
class DriveList;
class FolderList;
}  // namespace ui

class FileListModel;
class ReferenceViewer;
struct FileSummary;

struct MainWindowSetup {
  // The program's folder, where "Path.dat" (when it may be written there) and
  // "id3 tag.txt" live; empty: the folder of the executable.
  std::string programFolder;
  // The folder a first run (no "Path.dat") lists, and the lists show while "Path.dat"
  // does not name another; empty: FirstRunFolder().
  std::string startFolder;
};

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(Session& session, MainWindowSetup setup = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  Session& session() { return session_; }
  const std::string& programFolder() const { return programFolder_; }

  // ---------------------------------------------------------------- start-up, shutdown
  // Places and shows the window and the reference viewer, then restores the previous
  // run's settings from "Path.dat", or on a first run lists the start folder. Never
  // reports an error.
  void Start();
  // Asks "終了しますか?"; on Yes writes "Path.dat" and ends the program (programEnded()).
  void ConfirmQuit(bool& cancel);
  // The reference viewer; loaded (without being shown) on first use.
  ReferenceViewer& viewer();
  // True once the program has been ended.
  bool ended() const { return ended_; }

  // ---------------------------------------------------------------- folders and list
  void OpenSelectedDrive();
  void ListCurrentFolder();
  void OpenNextFolder();
  void ApplyMode(int index);
  void KeepDateBoxToggled();
  void UnicodeBoxToggled();  // the focus returns as after the keep-date box
  void ListFolderFiles();
  void ListSubfolderFiles();
  // "ファイル名" mode (the session's).
  bool FileNameMode() const;

  // ---------------------------------------------------------------- selection and display
  void ShowSelectedFile();
  // Selects a row and shows its file, also when the row was selected already.
  void SelectFile(int row);
  // "v2" and the version text (e.g. "3.0") in red.
  void ShowV2Marks(const QString& version);
  // The reference viewer shows the session's frame listing and the file's front cover.
  void ShowFrameListing();

  // ---------------------------------------------------------------- commands, fields
  // The commands, numbered as their buttons ("commandButtons(n)").
  enum class Command { WriteV1 = 0, Quit, RestoreStored, Play, FillFromNames, FillFromV2, OpenV2Editor, OpenBatch, DeleteV1 };
  void RunCommand(Command command);
  // What the ID3v2 editor and the batch window get from this window when they open.
  TagEditorLink EditorLink();
  // After the editor has closed: the marks when it wrote a header, the viewer's listing
  // when it rebuilt the frame table.
  void ShowEditorResult(const TagEditorResult& result);
  // After the batch window has closed: the selected file again when a pass ran.
  void ShowBatchResult(const std::optional<PassResult>& result);
  // After the conversion window has closed, whether or not it ran: the selected file
  // again, as its tag may have been rewritten.
  void ShowUnicodeResult(const std::optional<UnicodeResult>& result);
  BatchDialogLink BatchLink();
  // Cuts a tag field's text to its byte limit (code page 932 bytes; a double-byte
  // character is never split) and beeps when it cut something.
  void LimitFieldBytes(int index);
  void FieldEntered(int index);
  void FieldLeft(int index);
  // True when the key is consumed.
  bool FieldKeyDown(int index, QKeyEvent* event);

  // ---------------------------------------------------------------- controls
  ui::DriveList* driveBox = nullptr;
  ui::FolderList* folderTree = nullptr;
  // A view of the session's rows; its highlighted row is the session's selected row.
  QListView* fileList = nullptr;
  QCheckBox* keepDateBox = nullptr;    // "ファイルの更新で日付を変更しない"
  QCheckBox* unicodeBox = nullptr;     // "ID3v2をUnicodeで書く"
  QFrame* separatorLine = nullptr;
  QLabel* mpegInfoLabel = nullptr;     // size, MPEG data and date of the selected file
  QPushButton* nextFolderButton = nullptr;
  QGroupBox* modeGroup = nullptr;
  std::array<QRadioButton*, 2> modeButtons{};  // folder structure, file names
  QGroupBox* fileInfoGroup = nullptr;          // "ファイル情報"
  std::array<QLabel*, 6> captionLabels{};      // of the three names, then of title, artist, album
  // Folder, subfolder and file name; the first two are single-line boxes, the file name a
  // multi-line one: use fileInfoText() and setFileInfoText() for their texts.
  std::array<QWidget*, 3> fileInfoFields{};
  QLabel* v1Mark = nullptr;
  QLabel* v2Mark = nullptr;
  QLabel* v2VersionMark = nullptr;
  // Title, artist and album as read or last written: what "やり直し(F4)" puts back.
  std::array<QLabel*, 3> storedValueLabels{};
  std::array<QLineEdit*, 6> tagFields{};  // indexed by MainField
  // What each tag field holds in an ID3v1 record, in code page 932 bytes; 0 for no limit.
  std::array<int, 6> fieldByteLimits{30, 30, 30, 30, 4, 3};
  QGroupBox* commentGroup = nullptr;      // "コメント、年、ジャンル"
  QLabel* positionLabel = nullptr;        // "1/6 曲"
  std::array<QPushButton*, 9> commandButtons{};  // by command number, see kCommands
  QPushButton* unicodeButton = nullptr;  // "ﾕﾆｺｰﾄﾞ(F2)": the listing's tags to Unicode
  QPushButton* renameButton = nullptr;   // "名前変更(F5)": the listing's names from their tags
  QPushButton* readingsButton = nullptr;  // "読み(F5)": the listing's sort readings

  QString fileInfoText(int index) const;
  void setFileInfoText(int index, const QString& text);

  // ---------------------------------------------------------------- window state
  int lastField = 0;         // the tag field that last had the focus
  bool fillingList = false;  // set while the file list is being rebuilt
  std::string nextFolder;    // the sibling after the current folder, or ""

 signals:
  // The user confirmed quitting: "Path.dat" is written and every window is closed.
  void programEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // main_window_commands.cpp: each command once, with its key, caption, place and action;
  // RunCommand reports their failures.
  struct CommandSpec {
    Command command;
    Qt::Key key;             // its function key in the tag fields; Qt::Key_unknown for none
    bool limitsField;        // the field is held to its byte limit first (F9)
    bool keyConsumed;        // false: the key goes on to the field (F12)
    const char16_t* caption;
    int left, top;           // twips, 1575 x 375
    bool enabledAtStart;
    void (MainWindow::*action)();  // nullptr: no action
  };
  static const CommandSpec kCommands[9];
  void WriteV1Tag();          // 0 "v1更新(F9)"
  void Quit();                // 1 "終了(F12)"
  void RestoreStoredValues(); // 2 "やり直し(F4)"
  void PlayFile();            // 3 "演奏(F6)"
  void FillFromNames();       // 4 "ﾌｧｲﾙ参照(F7)"
  void FillFromV2Listing();   // 5 "v2参照(F8)"
  void OpenV2Editor();        // 6 "v2入力(F11)"
  void OpenBatch();           // 7 "自動処理(F10)"
  void OpenUnicodeConversion();  // "ﾕﾆｺｰﾄﾞ(F2)": nothing while the listing is empty
  void OpenRename();             // "名前変更(F5)": nothing while the listing is empty
  // After renames: the folder listed again, the file that was selected selected again.
  void ShowRenamedListing(const std::optional<FileIdentity>& selected);
  void OpenReadings();           // "読み(Shift+F5)": nothing while the listing is empty
  // After a window opened from here: the keyboard back to the field that had it.
  void RestoreFieldFocus();
  // main_window_fields.cpp: Up, Down, Page Up and Page Down move the file list.
  void MoveListSelection(int key);
  // Highlights a row of the file list; when that changes the row, the view's selection
  // makes it the session's selected row and shows its file.
  void HighlightRow(int row);

  // main_window_startup.cpp
  void BuildLayout();
  void RestoreSettings();
  // main_window_listing.cpp
  void ConnectListing();
  bool OpenFolder(const std::string& path);
  void ChooseDrive(const std::string& mountPoint);
  // Shows a selected file that is too short for an ID3v1 record: its names, and empty
  // fields, so that nothing of the previously shown file can be written into it.
  void ShowTooShortFile(int row, const FileSummary& summary);
  // The commands a selected file enables, its information text, the focus on the
  // title field and its place in the list.
  void ShowInformation(int row, const FileSummary& summary);
  void SelectMode(int index);
  void FinishList(int readOnlyRow);
  // Changes of folder, drive and mode asked for while ListFolderFiles lets events run
  // are held back and run, in order, once the list is complete.
  void RunOrHold(std::function<void()> action);
  void DrainHeldBack();
  // Errors are reported to the user except during start-up and after the end.
  bool ReportErrors() const { return !restoring_ && !ended_; }

  Session& session_;
  FileListModel* fileRows_ = nullptr;  // the model of fileList over session_.rows
  std::string programFolder_;
  std::unique_ptr<ReferenceViewer> reference_viewer_;
  std::map<std::string, std::string> lastFolderOnVolume_;
  std::vector<std::function<void()>> heldBack_;
  bool holding_ = false;
  int clickedInto_ = -1;  // the tag field a mouse press has just given the focus
  int fieldWhenLeft_ = -1;  // the tag field that had the focus when the window lost the activation
  bool restoring_ = false;
  bool ended_ = false;
  int listRuns_ = 0;
};

}  // namespace vq
