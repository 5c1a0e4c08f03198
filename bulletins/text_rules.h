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

// "BLN" gets one blank appended so that its "> " lines up with "BLN1> ".
std::string padAddressee(std::string_view addressee);

} // namespace quillet
