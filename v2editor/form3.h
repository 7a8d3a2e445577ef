// Form3, "v2 Edit": the modal ID3v2 editor of the file selected in the main window.
#pragma once

#include <QDialog>

namespace vq {

class Form1;

class Form3 : public QDialog {
  Q_OBJECT

 public:
  explicit Form3(Form1& main);

 private:
  Form1& main_;
};

}  // namespace vq
