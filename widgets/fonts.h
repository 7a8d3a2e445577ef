// The program's two fonts and its one background colour: the proportional Japanese system font of every control and the
// fixed-pitch one of the reference viewer and list texts. The Windows families are asked
// for first, then their Debian counterparts (fonts-ipafont-gothic), then Noto Sans CJK JP.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>

namespace vq::ui {

// The pale yellow behind the stored values, in the main window and the ID3v2 editor.
inline const QColor kStoredValueYellow{0xFF, 0xFF, 0x80};

inline constexpr double kControlPointSize = 11.25;

QStringList ProportionalFamilies();  // "ＭＳ Ｐゴシック", "IPAPGothic", "Noto Sans CJK JP"
QStringList FixedFamilies();         // "ＭＳ ゴシック", "IPAGothic", "Noto Sans CJK JP"

QFont ProportionalFont(double pointSize = kControlPointSize);
QFont FixedFont(double pointSize = kControlPointSize);

}  // namespace vq::ui
