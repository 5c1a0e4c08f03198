#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Removes leading and trailing blanks only; tabs and other white space stay.
std::string_view trimBlanks(std::string_view text);

// "<tag>Hello" becomes "Hello"; a text that does not start with "<" or never closes
// the bracket is returned unchanged.
std::string_view stripTextPrefix(std::string_view text);

// The group of an addressee: characters 5 to 7, trimmed, upper-cased ("BLN1EU" -> "EU");
// empty for addressees shorter than five characters.
std::string groupCodeOf(std::string_view addressee);

// The longest text the window, its status line and a notice show whole. A list row or a
// label with megabytes of text takes seconds to lay out; nothing the air carries comes near
// this (an APRS-IS line is at most 512 bytes), so only a damaged or forged log meets it.
inline constexpr std::size_t kLongestShownText = 500;

// The text as shown: whole up to kLongestShownText bytes, else that many and a note that says
// it was cut and how long it is ("… (cut: 1048576 bytes in all)"). The table keeps it whole.
std::string shownText(std::string_view text);

// "BLN" gets one blank appended so that its "> " lines up with "BLN1> ".
std::string padAddressee(std::string_view addressee);

} // namespace quillet
