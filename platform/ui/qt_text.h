// Program strings between the Qt-free core (std::u16string, UTF-8 paths) and the windows
// (QString).
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
// A path for the file layer (UTF-8).
inline std::string PathUtf8(const QString& s) { return Utf16ToUtf8(s.toStdU16String()); }
inline QString FromUtf8Path(const std::string& s) { return Q(Utf8ToUtf16(s)); }

}  // namespace vq::ui
