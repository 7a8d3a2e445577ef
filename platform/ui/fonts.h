// The program's two fonts: the proportional Japanese system font of every control and the
// fixed-pitch one of the reference viewer and list texts. The Windows families are asked
// for first, then their Debian counterparts (fonts-ipafont-gothic), then Noto Sans CJK JP.
#pragma once

#include <QFont>
#include <QStringList>

namespace vq::ui {

inline constexpr double kControlPointSize = 11.25;

QStringList ProportionalFamilies();  // "ＭＳ Ｐゴシック", "IPAPGothic", "Noto Sans CJK JP"
QStringList FixedFamilies();         // "ＭＳ ゴシック", "IPAGothic", "Noto Sans CJK JP"

QFont ProportionalFont(double pointSize = kControlPointSize);
QFont FixedFont(double pointSize = kControlPointSize);

}  // namespace vq::ui
