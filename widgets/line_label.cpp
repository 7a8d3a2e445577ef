#include "widgets/line_label.h"

#include <QFontInfo>
#include <QPainter>
#include <QTextLayout>

namespace vq::ui {

LineLabel::LineLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(true);
}

int LineLabel::lineHeight() const { return std::max(QFontInfo(font()).pixelSize(), 1); }

int LineLabel::lineCount() const { return layoutLines(nullptr); }

int LineLabel::layoutLines(QPainter* painter) const {
  QRect area = contentsRect();
  int step = lineHeight();
  int lines = 0;
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  for (const QString& paragraph : text().split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, font());
    layout.setTextOption(option);
    layout.beginLayout();
    int inParagraph = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(area.width());
      line.setPosition(QPointF(0, (lines + inParagraph) * step));
      ++inParagraph;
    }
    layout.endLayout();
    if (painter) layout.draw(painter, area.topLeft());
    lines += std::max(inParagraph, 1);
  }
  return lines;
}

void LineLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
  painter.setClipRect(contentsRect());
  layoutLines(&painter);
}

}  // namespace vq::ui
