// Form1: the function-key commands of the Command1 buttons.
#include <QPushButton>

#include "mainwindow/form1.h"

namespace vq {

void Form1::Command1_Click(int index) {
  if (index < 0 || index >= static_cast<int>(Command1.size())) return;
  // A command does nothing while its button is disabled, whatever the source.
  if (!Command1[index]->isEnabled()) return;
  switch (index) {
    case 1:  // "終了(F12)": closing runs the quit question and the save.
      close();
      break;
    default:
      // Stub: the other commands (F9, F4, F6, F7, F8, F11, F10, F3) come with the
      // main-window commands issue.
      break;
  }
}

}  // namespace vq
