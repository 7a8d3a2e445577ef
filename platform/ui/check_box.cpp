#include "platform/ui/check_box.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace vq::ui {

WrappingCheckBox::WrappingCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

void WrappingCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
  indicator.moveTop((height() - indicator.height()) / 2);
  QStyleOptionButton indicatorOption(option);
  indicatorOption.rect = indicator;
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicatorOption, &painter, this);

  int gap = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
  QRect textRect(indicator.right() + 1 + gap, 0, width() - indicator.right() - 1 - gap, height());
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = painter.boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

}  // namespace vq::ui
