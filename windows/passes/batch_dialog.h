// BatchDialog, "自動処理": tags every file of the session's list in one pass with artist,
// album and title from the folder, subfolder and file names; under the design's controls,
// the naming options (BatchNamingPanel): track numbers, numbering in order, a pattern.
#pragma once

#include <QDialog>
#include <QRect>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "widgets/picture_codec_qt.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace vq {

class BatchNamingPanel;
class UndoPassButton;

struct Session;

// What the batch window gets from the main window that opens it.
struct BatchDialogLink {
  QRect mainFrame;   // the main window's outer rectangle, for placement
  QSize decoration;  // a window frame's extra size, until this window has its own
};

class BatchDialog : public QDialog {
  Q_OBJECT

 public:
  BatchDialog(Session& session, BatchDialogLink link, QWidget* parent = nullptr);

  // Places the window on the main window's bottom-right corner, shows the file count
  // and takes "新規作成のみ行う" from createNewOnly.
  void Load();
  // 0 "開 始": run the pass, let the main window show its selected file again, close.
  // 1 "ｷｬﾝｾﾙ": close.
  enum class Command { Start = 0, Cancel };
  void RunCommand(Command command);
  // Keeps "新規作成のみ行う" in createNewOnly and the naming options in the session;
  // closing is never refused.
  void KeepSettings();

  bool running() const { return running_; }
  // What the pass did; empty when it was not started.
  const std::optional<PassResult>& result() const { return result_; }

  QCheckBox* v1Box = nullptr;       // "v1"
  QCheckBox* v2Box = nullptr;       // "v2"
  QCheckBox* newOnlyBox = nullptr;  // "新規作成のみ行う"
  QCheckBox* coverBox = nullptr;    // "表紙を埋め込む": the album folders' covers into their files
  QLabel* progressLabel = nullptr;  // file count, then progress
  QFrame* separatorLine = nullptr;
  std::array<QPushButton*, 2> commandButtons{};  // "開 始", "ｷｬﾝｾﾙ"
  UndoPassButton* undoButton = nullptr;          // takes the last pass back
  BatchNamingPanel* namingPanel = nullptr;       // "曲番号", "番号を振る", the pattern and its preview

 protected:
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;
  // The close box during the pass ends it after the current file, then says so.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Each command once: caption, place, the key that reaches it, and its action.
  struct CommandSpec {
    Command command;
    const char16_t* caption;
    int left, top;        // twips, 1455 x 495
    bool isDefault;       // Enter reaches it; otherwise Esc does
    void (BatchDialog::*action)();
  };
  static const CommandSpec kCommands[2];
  void PlaceWindow();
  void RunPass();
  void Cancel();
  // After a pass with a pattern: the files it left alone, named and counted.
  void ReportUnmatched(const std::vector<std::u16string>& files);

  Session& session_;
  BatchDialogLink link_;
  std::size_t count_ = 0;
  std::optional<PassResult> result_;
  bool running_ = false;
  bool closeAsked_ = false;  // the window was closed while the pass ran
  bool unloaded_ = false;
  ui::QtPictureCodec codec_;  // checks the covers "表紙を埋め込む" embeds
};

}  // namespace vq
