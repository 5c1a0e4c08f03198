#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace quillet {

// The program keeps its texts as Windows-1252 bytes; the bus and Qt speak Unicode. These
// convert at that edge. Every byte 0x00 to 0xFF survives the trip to Unicode and back; a
// character Windows-1252 cannot hold becomes 0x1A.
std::string toWindows1252(const QString& text);
QString fromWindows1252(std::string_view bytes);

} // namespace quillet
