// A multi-line label whose lines are one font height (the font's pixel size) apart, the
// spacing of the Windows system fonts the window arrangement was measured with. Lines
// wrap at word boundaries, or anywhere when a word is too long.
#pragma once

#include <QLabel>

namespace vq::ui {

class LineLabel : public QLabel {
  Q_OBJECT

 public:
  explicit LineLabel(QWidget* parent = nullptr);
  // Distance between two lines in pixels.
  int lineHeight() const;
  // Number of lines the text takes at the label's width.
  int lineCount() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int layoutLines(class QPainter* painter) const;
};

}  // namespace vq::ui
