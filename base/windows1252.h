#pragma once

#include <string>
#include <string_view>

namespace quillet {

// The program keeps its texts as Windows-1252 bytes; the bus, Qt and the air speak UTF-8 or
// Unicode. These are the one place that knows the code page, for the core and the edges alike.

// Upper case over Windows-1252, including the accented letters and the few letters
// (š, œ, ž, ÿ) whose capitals sit in the 0x80 to 0x9F block.
std::string toUpperWindows1252(std::string_view text);

// Every byte 0x00 to 0xFF has one character and survives the trip to UTF-8 and back; the
// five bytes the code page leaves undefined map to the control characters of the same number.
std::string utf8FromWindows1252(std::string_view bytes);

// A character Windows-1252 cannot hold becomes 0x1A; so does each byte of a broken sequence.
std::string windows1252FromUtf8(std::string_view utf8);

bool isValidUtf8(std::string_view bytes);

// The length of the well-formed UTF-8 sequence at byte `i` and its code point in `code`; 0
// when the bytes there are not one.
std::size_t decodeUtf8At(std::string_view s, std::size_t i, char32_t& code);

} // namespace quillet
