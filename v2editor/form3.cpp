#include "v2editor/form3.h"

#include "mainwindow/form1.h"

namespace vq {

Form3::Form3(Form1& main) : QDialog(&main), main_(main) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("v2 Edit"));
  setModal(true);
}

}  // namespace vq
