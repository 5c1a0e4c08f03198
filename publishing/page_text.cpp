#include "publishing/page_text.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>

namespace quillet {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five undefined ones keep their own value, as
// browsers decode them.
constexpr std::array<std::uint16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::uint16_t unicodeOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kWindows1252High[byte - 0x80];
    }
    return byte;
}

bool keptInScript(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '/';
}

std::string commonSuffix(const std::string& a, const std::string& b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[a.size() - 1 - n] == b[b.size() - 1 - n]) {
        ++n;
    }
    return a.substr(a.size() - n);
}

} // namespace

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string escapeScriptString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptInScript(byte)) {
            out += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04X", unsigned{unicodeOf(byte)});
        out += escaped;
    }
    return out;
}

PageDateText::PageDateText(const DateTimeFormatter& formatter) : m_formatter(formatter) {
    // Two midnights whose dates differ in every field, so their texts differ in the date's
    // last character whatever the order of the fields: what they share at the end is the
    // separating blank and the time of midnight.
    const std::string a = formatter.format(makeLocalDateTime(2001, 1, 1));
    const std::string b = formatter.format(makeLocalDateTime(2012, 12, 12));
    const std::string shared = commonSuffix(a, b);
    const std::size_t blank = shared.find(' ');
    if (blank != std::string::npos) {
        m_midnightSuffix = shared.substr(blank);
    }
}

std::string PageDateText::operator()(LocalDateTime t) const {
    std::string text = m_formatter.format(t);
    const bool midnight = t == std::chrono::floor<std::chrono::days>(t);
    if (midnight && !m_midnightSuffix.empty() && text.size() > m_midnightSuffix.size() &&
        text.ends_with(m_midnightSuffix)) {
        text.resize(text.size() - m_midnightSuffix.size());
    }
    return text;
}

std::string rowLine(const Bulletin& bulletin, const PageDateText& dateText) {
    const std::string received = bulletin.received ? dateText(*bulletin.received) : std::string();
    std::string line;
    line.reserve(96 + 2 * bulletin.callsign.size() + bulletin.text.size());
    line += "<tr><td>";
    line += "<a href=";
    line += '"';
    line += "javascript:go('";
    line += escapeScriptString(bulletin.callsign);
    line += "')";
    line += '"';
    line += ">";
    line += escapeHtml(bulletin.callsign);
    line += "</a></td>";
    line += "<td>";
    line += escapeHtml(received);
    line += "<td>";
    line += escapeHtml(bulletin.addressee);
    line += "</td>";
    line += "<td>";
    line += escapeHtml(bulletin.text);
    line += "</td></tr>";
    return line;
}

} // namespace quillet
