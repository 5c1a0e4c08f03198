#include "text_rules.h"

namespace quillet {

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string_view stripTextPrefix(std::string_view text) {
    if (text.empty() || text.front() != '<') {
        return text;
    }
    const auto close = text.find('>');
    if (close == std::string_view::npos) {
        return text;
    }
    return text.substr(close + 1);
}

namespace {

unsigned char upperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 0x20);
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) { // à..þ without ÷
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
    case 0x9A:
        return 0x8A; // š -> Š
    case 0x9C:
        return 0x8C; // œ -> Œ
    case 0x9E:
        return 0x8E; // ž -> Ž
    case 0xFF:
        return 0x9F; // ÿ -> Ÿ
    default:
        return c;
    }
}

} // namespace

std::string toUpperWindows1252(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(upperByte(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::string groupCodeOf(std::string_view addressee) {
    if (addressee.size() < 5) {
        return {};
    }
    return toUpperWindows1252(trimBlanks(addressee.substr(4, 3)));
}

std::string padAddressee(std::string_view addressee) {
    std::string padded(addressee);
    if (padded.size() == 3) {
        padded += ' ';
    }
    return padded;
}

} // namespace quillet
