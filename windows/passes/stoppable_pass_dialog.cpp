#include "windows/passes/stoppable_pass_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "widgets/fonts.h"
#include "widgets/twips.h"

namespace vq {

void StoppablePassDialog::Cancel() {
  if (running_)
    stopAsked_ = true;
  else
    reject();
}

void StoppablePassDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Cancel();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void StoppablePassDialog::closeEvent(QCloseEvent* event) {
  if (running_) {
    stopAsked_ = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void StoppablePassDialog::done(int result) {
  if (running_) return;  // the run ends only through Cancel or the close box
  QDialog::done(result);
}

QPushButton* MakeMainWindowCommand(QWidget* mainWindow, const QRect& twipsPlace, const QString& caption,
                                   const QString& objectName, const QString& accessibleName, const QString& toolTip) {
  auto* button = ui::PlaceTwips(new QPushButton(caption, mainWindow), objectName, twipsPlace.x(), twipsPlace.y(),
                                twipsPlace.width(), twipsPlace.height());
  // The places beside the original commands are narrower than theirs.
  button->setFont(ui::ProportionalFont(9));
  button->setAccessibleName(accessibleName);
  button->setToolTip(toolTip);
  button->setAutoDefault(false);
  button->setFocusPolicy(Qt::ClickFocus);
  return button;
}

}  // namespace vq
