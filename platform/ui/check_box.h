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

}  // namespace vq::ui
