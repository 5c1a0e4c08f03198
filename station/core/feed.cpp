#include "station/core/feed.h"

#include "base/files.h"

namespace quillet::station {

namespace {

constexpr char kFieldMark = '|';

// UTF-16 units: one for each character, two for one beyond the Basic Multilingual Plane.
std::size_t utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

// White space as a text editor shows it: ASCII blanks and Unicode's space separators, so a line
// of no-break spaces is as blank as one of spaces.
bool isSpace(char32_t c) {
    return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool isBlank(std::string_view line) {
    for (std::size_t i = 0; i < line.size();) {
        const auto lead = static_cast<unsigned char>(line[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xE0 ? 3 : 2;
        char32_t c = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
        for (std::size_t k = 1; k < length && i + k < line.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(line[i + k]) & 0x3F);
        }
        if (!isSpace(c)) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

Feed parseFeed(std::string_view text) {
    Feed feed;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (isBlank(line) || line.starts_with('#')) {
            continue;
        }
        if (utf16Length(line) > kLongestFeedLine) {
            feed.problems.push_back(
                {number, "longer than " + std::to_string(kLongestFeedLine) + " characters"});
            continue;
        }
        const std::size_t first = line.find(kFieldMark);
        const std::size_t second =
            first == std::string_view::npos ? first : line.find(kFieldMark, first + 1);
        if (second == std::string_view::npos) {
            feed.problems.push_back(
                {number, "expected callsign|addressee|text, found \"" + std::string(line) + "\""});
            continue;
        }
        FeedEntry bulletin{std::string(line.substr(0, first)),
                           std::string(line.substr(first + 1, second - first - 1)),
                           std::string(line.substr(second + 1))};
        if (bulletin.callsign.empty() || bulletin.addressee.empty()) {
            feed.problems.push_back({number, "callsign and addressee must not be empty"});
            continue;
        }
        feed.bulletins.push_back(std::move(bulletin));
    }
    return feed;
}

Feed readFeedFile(const std::filesystem::path& file) {
    const auto read = readFile(file, kLargestFeedFile);
    if (!read || !*read) {
        return {{}, {{0, "cannot read: " + (read ? std::string("no such file") : read.error())}}};
    }
    return parseFeed(**read);
}

} // namespace quillet::station
