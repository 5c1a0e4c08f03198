#include "bulletins/text_rules.h"

#include "base/windows1252.h"

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

std::string groupCodeOf(std::string_view addressee) {
    if (addressee.size() < 5) {
        return {};
    }
    return toUpperWindows1252(trimBlanks(addressee.substr(4, 3)));
}

std::string shownText(std::string_view text) {
    if (text.size() <= kLongestShownText) {
        return std::string(text);
    }
    return std::string(text.substr(0, kLongestShownText)) +
           "\x85 (cut: " + std::to_string(text.size()) + " bytes in all)";
}

std::string padAddressee(std::string_view addressee) {
    std::string padded(addressee);
    if (padded.size() == 3) {
        padded += ' ';
    }
    return padded;
}

} // namespace quillet
