#pragma once

// For the edges that speak Qt: the same conversions between the program's Windows-1252
// bytes and QString. The core never includes this header.

#include "base/windows1252.h"

#include <QString>

#include <string>
#include <string_view>

namespace quillet {

inline std::string toWindows1252(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return windows1252FromUtf8(std::string_view(utf8.constData(), utf8.size()));
}

inline QString fromWindows1252(std::string_view bytes) {
    const std::string utf8 = utf8FromWindows1252(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace quillet
