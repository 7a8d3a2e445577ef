// Window positions and sizes are given in twips: 15 twips are one device-independent
// pixel (Qt scales pixels on high-DPI screens).
#pragma once

#include <QRect>

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

}  // namespace vq::ui
