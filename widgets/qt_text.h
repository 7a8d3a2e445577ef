// Program strings between the Qt-free core (std::u16string) and the windows (QString).
// Paths never pass through QString: they stay bytes (std::string) and are shown with
// DecodePath.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace vq::ui {

inline QString Q(std::u16string_view s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}
inline std::u16string U16(const QString& s) { return s.toStdU16String(); }

}  // namespace vq::ui
