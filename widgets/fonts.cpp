#include "widgets/fonts.h"

namespace vq::ui {

QStringList ProportionalFamilies() {
  return {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")};
}

QStringList FixedFamilies() {
  return {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")};
}

QFont ProportionalFont(double pointSize) {
  QFont f;
  f.setFamilies(ProportionalFamilies());
  f.setPointSizeF(pointSize);
  f.setWeight(QFont::Normal);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

QFont FixedFont(double pointSize) {
  QFont f;
  f.setFamilies(FixedFamilies());
  f.setPointSizeF(pointSize);
  f.setWeight(QFont::Normal);
  f.setStyleHint(QFont::Monospace);
  f.setFixedPitch(true);
  return f;
}

}  // namespace vq::ui
