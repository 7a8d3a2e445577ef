// Window positions and sizes are given in twips: 15 twips are one device-independent
// pixel (Qt scales pixels on high-DPI screens).
#pragma once

#include <QRect>
#include <QString>

namespace vq::ui {

inline constexpr int kTwipsPerPixel = 15;

// Nearest whole pixel.
constexpr int Twips(int twips) {
  return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
constexpr int ToTwips(int pixels) { return pixels * kTwipsPerPixel; }

// left, top, width, height in twips.
inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

// Names a control and puts it at a twips rectangle of its parent.
template <typename W>
W* PlaceTwips(W* w, const QString& name, int left, int top, int width, int height) {
  w->setObjectName(name);
  w->setGeometry(TwipsRect(left, top, width, height));
  return w;
}

}  // namespace vq::ui
