#include "widgets/check_box.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>

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

namespace {

constexpr int kMostCaptionLines = 2;
constexpr double kSmallestCaptionPoints = 6.0;

// The caption laid out in `width` pixels, the first line starting at `firstLeft`; the
// lines break between words, or inside a word that does not fit a line.
void LayOutHanging(QTextLayout& layout, int firstLeft, int width) {
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  qreal y = 0;
  for (bool first = true;; first = false) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(first ? width - firstLeft : width);
    line.setPosition(QPointF(first ? firstLeft : 0, y));
    y += line.height();
  }
  layout.endLayout();
}

struct HangingLayout {
  QRect indicator;
  int textLeft = 0;
};

HangingLayout IndicatorPlace(const QCheckBox* box) {
  QStyleOptionButton option;
  option.initFrom(box);
  HangingLayout place;
  place.indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
  place.textLeft = place.indicator.right() + 1 + box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, box);
  return place;
}

}  // namespace

HangingCaptionCheckBox::HangingCaptionCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

QFont HangingCaptionCheckBox::captionFont() const {
  QFont f = font();
  const int textLeft = IndicatorPlace(this).textLeft;
  while (f.pointSizeF() > kSmallestCaptionPoints) {
    QTextLayout layout(text(), f);
    LayOutHanging(layout, textLeft, width());
    if (layout.lineCount() <= kMostCaptionLines && layout.boundingRect().height() <= height()) break;
    f.setPointSizeF(f.pointSizeF() - 0.25);
  }
  return f;
}

int HangingCaptionCheckBox::captionLineCount() const {
  QTextLayout layout(text(), captionFont());
  LayOutHanging(layout, IndicatorPlace(this).textLeft, width());
  return layout.lineCount();
}

void HangingCaptionCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const HangingLayout place = IndicatorPlace(this);
  QTextLayout layout(text(), captionFont());
  LayOutHanging(layout, place.textLeft, width());
  if (layout.lineCount() == 0) return;
  // The caption's lines in the middle of the box's height, the box beside the first.
  const QRectF bounds = layout.boundingRect();
  const QPointF origin(0, (height() - bounds.height()) / 2);
  const QTextLine first = layout.lineAt(0);

  QStyleOptionButton option;
  initStyleOption(&option);
  QStyleOptionButton indicatorOption(option);
  indicatorOption.rect = place.indicator;
  indicatorOption.rect.moveTop(qRound(origin.y() + first.y() + (first.height() - place.indicator.height()) / 2));
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicatorOption, &painter, this);

  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  layout.draw(&painter, origin);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = bounds.translated(origin).toAlignedRect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

bool HangingCaptionCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

}  // namespace vq::ui
