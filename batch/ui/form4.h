// Form4, "自動処理": tags every file of the main window's list in one pass with artist,
// album and title from the folder, subfolder and file names.
#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace vq {

class Form1;

class Form4 : public QDialog {
  Q_OBJECT

 public:
  explicit Form4(Form1& main);

  // Places the window on the main window's bottom-right corner, shows the file count
  // and takes "新規作成のみ行う" from CreateNewOnly.
  void Form_Load();
  // 0 "開 始": run the pass, let the main window show its selected file again, close.
  // 1 "ｷｬﾝｾﾙ": close.
  void Command1_Click(int index);
  // Keeps "新規作成のみ行う" in CreateNewOnly; closing is never refused.
  void Form_QueryUnload();

  bool running() const { return running_; }

  std::array<QCheckBox*, 2> Check1{};  // "v1", "v2"
  QCheckBox* Check2 = nullptr;         // "新規作成のみ行う"
  QLabel* Label1 = nullptr;            // file count, then progress
  QFrame* Line1 = nullptr;
  std::array<QPushButton*, 2> Command1{};  // "開 始", "ｷｬﾝｾﾙ"

 protected:
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;
  // The close box during the pass ends it after the current file, then says so.
  void closeEvent(QCloseEvent* event) override;

 private:
  Form1& main_;
  int count_ = 0;
  bool running_ = false;
  bool closeAsked_ = false;  // the window was closed while the pass ran
  bool unloaded_ = false;
};

}  // namespace vq
