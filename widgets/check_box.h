// A check box whose caption wraps onto further lines inside the box's height, like the
// Japanese captions of the design ("ファイルの更新で日付を変更しない" in 2655 twips).
#pragma once

#include <QCheckBox>

namespace vq::ui {

class WrappingCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit WrappingCheckBox(const QString& text, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
};

// A check box for a narrow place: the caption's first line beside the box, its further
// lines from the left edge, under the box, so that a long caption needs fewer lines
// ("ID3v2をUnicodeで書く" on two). The caption's font is made smaller, in quarter
// points, only when the caption would not fit in the height of two of its lines.
class HangingCaptionCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit HangingCaptionCheckBox(const QString& text, QWidget* parent = nullptr);

  // The font the caption is drawn with and its lines, as the box lays them out now.
  QFont captionFont() const;
  int captionLineCount() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
};

}  // namespace vq::ui
