#pragma once

#include "bulletins/bulletin.h"
#include "bulletins/date_time_formatter.h"

#include <string>
#include <string_view>

namespace quillet {

// Bulletins come from anyone on the air and the page goes on the web, so every text taken
// from a bulletin is escaped before it reaches the page.

// For element text and for quoted attribute values: & < > " ' become character references.
// Other bytes, Windows-1252 letters included, stay as they are.
std::string escapeHtml(std::string_view text);

// For the inside of a '...' script string that stands in a javascript: link inside a
// double-quoted attribute. Letters, digits and - _ . / stay; every other byte becomes a
// \uXXXX escape of its Windows-1252 character, so no quote, backslash, percent sign, blank
// or markup character survives any of the three decodings (attribute, URL, script).
std::string escapeScriptString(std::string_view text);

// The page's date-time text: the program's formatter, except that a time of exactly
// midnight is written as the short date alone.
class PageDateText {
public:
    explicit PageDateText(const DateTimeFormatter& formatter);
    std::string operator()(LocalDateTime t) const;

private:
    const DateTimeFormatter& m_formatter;
    // The blank and the time text that the formatter writes for midnight; learnt from the
    // formatter itself, since only it knows the locale's time form.
    std::string m_midnightSuffix;
};

// One table row of the page, without its line end: link with go('callsign'), callsign,
// received time (a cell the row leaves unclosed), addressee, text.
std::string rowLine(const Bulletin& bulletin, const PageDateText& dateText);

} // namespace quillet
