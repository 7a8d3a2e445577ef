// Form1, "Velquist": the main window. It owns the current drive and folder, the naming
// mode, the file list and the six ID3v1 fields, and its closing ends the program.
//
// The class is split by concern:
//   form1_startup.cpp   layout, Form_Load, Form_QueryUnload, "Path.dat"
//   form1_listing.cpp   drive and folder changes, next folder, modes, the file list
//   form1_display.cpp   List1_Click: the selected file's tags and information
//   form1_commands.cpp  Command1_Click: the function-key commands
//   form1_fields.cpp    the tag fields' focus and key handling
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "batch/ui/form4.h"
#include "session/session.h"
#include "v2editor/form3.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vq {

namespace ui {
class DriveList;
class FolderList;
}  // namespace ui

class Form2;
struct FileSummary;

struct Form1Setup {
  // The program's folder, where "Path.dat" (when it may be written there) and
  // "id3 tag.txt" live; empty: the folder of the executable.
  std::string programFolder;
  // The folder a first run (no "Path.dat") lists, and the lists show while "Path.dat"
  // does not name another; empty: FirstRunFolder().
  std::string startFolder;
};

class Form1 : public QWidget {
  Q_OBJECT

 public:
  explicit Form1(Session& state, Form1Setup setup = {}, QWidget* parent = nullptr);
  ~Form1() override;

  Session& state() { return state_; }
  const std::string& programFolder() const { return programFolder_; }

  // ---------------------------------------------------------------- start-up, shutdown
  // Places and shows the window and the reference viewer, then restores the previous
  // run's settings from "Path.dat", or on a first run lists the start folder. Never
  // reports an error.
  void Form_Load();
  // Asks "終了しますか?"; on Yes writes "Path.dat" and ends the program (programEnded()).
  void Form_QueryUnload(bool& cancel);
  // The reference viewer; loaded (without being shown) on first use.
  Form2& form2();
  // True once the program has been ended.
  bool ended() const { return ended_; }

  // ---------------------------------------------------------------- folders and list
  void Drive1_Change();
  void Dir1_Change();
  void Command2_Click();
  void Option1_Click(int index);
  void Check1_Click();
  void Check2_Click();  // "ID3v2をUnicodeで書く": the focus returns as after Check1
  void ListFolderFiles();
  void ListSubfolderFiles();
  // Option1(1), "ファイル名", is selected.
  bool FileNameMode() const;

  // ---------------------------------------------------------------- selection and display
  void List1_Click();
  // Selects a row and shows its file, also when the row was selected already.
  void SetListIndex(int row);
  // "v2" and the version text (e.g. "3.0") in red.
  void ShowV2Marks(const QString& version);
  // The reference viewer shows the session's frame listing.
  void ShowFrameListing();

  // ---------------------------------------------------------------- commands, fields
  void Command1_Click(int index);
  // What the ID3v2 editor and the batch window get from this window when they open.
  Form3Link EditorLink();
  Form4Link BatchLink();
  // Cuts a tag field's text to the byte limit held in its "Tag" property (code page 932
  // bytes; a double-byte character is never split) and beeps when it cut something.
  static void LimitFieldBytes(QLineEdit* box);
  void Text2_GotFocus(int index);
  void Text2_LostFocus(int index);
  // True when the key is consumed.
  bool Text2_KeyDown(int index, QKeyEvent* event);

  // ---------------------------------------------------------------- controls
  ui::DriveList* Drive1 = nullptr;
  ui::FolderList* Dir1 = nullptr;
  QListWidget* List1 = nullptr;
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check2 = nullptr;  // "ID3v2をUnicodeで書く"
  QFrame* Line1 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* Command2 = nullptr;
  QGroupBox* Frame2 = nullptr;
  std::array<QRadioButton*, 2> Option1{};
  QGroupBox* Frame1 = nullptr;
  std::array<QLabel*, 6> Label1{};
  // Text1(0) and Text1(1) are single-line boxes, Text1(2) a multi-line one: use text1()
  // and setText1() for their texts.
  std::array<QWidget*, 3> Text1{};
  QLabel* Label6 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label5 = nullptr;
  std::array<QLabel*, 3> Label2{};
  std::array<QLineEdit*, 6> Text2{};
  QGroupBox* Frame3 = nullptr;
  QLabel* Label7 = nullptr;
  std::array<QPushButton*, 9> Command1{};
  QPushButton* unicodeButton = nullptr;  // "ﾕﾆｺｰﾄﾞ(F2)": the listing's tags to Unicode

  QString text1(int index) const;
  void setText1(int index, const QString& text);

  // ---------------------------------------------------------------- window state
  int lastField = 0;         // the Text2 field that last had the focus
  bool fillingList = false;  // set while the file list is being rebuilt
  std::string nextFolder;    // the sibling after the current folder, or ""

 signals:
  // The user confirmed quitting: "Path.dat" is written and every window is closed.
  void programEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // form1_commands.cpp: each command once, with its key, caption, place and action;
  // Command1_Click reports their failures.
  struct CommandSpec {
    int index;
    Qt::Key key;             // its function key in the tag fields; Qt::Key_unknown for none
    bool limitsField;        // the field is held to its byte limit first (F9)
    bool keyConsumed;        // false: the key goes on to the field (F12)
    const char16_t* caption;
    int left, top;           // twips, 1575 x 375
    bool enabledAtStart;
    void (Form1::*action)();  // nullptr: no action
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
  // form1_fields.cpp: Up, Down, Page Up and Page Down move the file list.
  void MoveListSelection(int key);

  // form1_startup.cpp
  void BuildLayout();
  void RestoreSettings();
  // form1_listing.cpp
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

  Session& state_;
  std::string programFolder_;
  std::unique_ptr<Form2> form2_;
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
