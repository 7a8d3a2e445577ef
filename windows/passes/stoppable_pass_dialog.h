// What the pass windows opened from the main window's commands (the conversion, the
// renaming, the readings) share: while their pass runs, "キャンセル", Esc and the close
// box ask it to stop after the file at hand, and nothing else closes the window; before
// and after the run they close it.
#pragma once

#include <QDialog>

class QPushButton;
class QRect;
class QString;

namespace vq {

class StoppablePassDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;

  // "キャンセル": closes; during the run, ends it after the file being written.
  void Cancel();
  bool running() const { return running_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

  bool running_ = false;
  bool stopAsked_ = false;
};

// A command button of the main window at `twipsPlace`, in the small font of the commands
// added beside the original ones: reached with the mouse or its key, never with Tab.
QPushButton* MakeMainWindowCommand(QWidget* mainWindow, const QRect& twipsPlace, const QString& caption,
                                   const QString& objectName, const QString& accessibleName, const QString& toolTip);

}  // namespace vq
