#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::station {

// One bulletin of a feed, in UTF-8.
struct FeedEntry {
    std::string callsign;
    std::string addressee;
    std::string text;

    bool operator==(const FeedEntry&) const = default;
};

// A line of a feed that could not be used, numbered from 1; 0 for the file as a whole.
struct FeedProblem {
    int line = 0;
    std::string message;

    bool operator==(const FeedProblem&) const = default;
};

struct Feed {
    std::vector<FeedEntry> bulletins;
    std::vector<FeedProblem> problems;
};

// A bulletin on the air holds at most 67 characters; a feed line much longer than any
// bulletin is a mistake, and the log, the window and the bus must not carry it. Characters
// are counted as the window counts them, in UTF-16 units.
inline constexpr std::size_t kLongestFeedLine = 4096;
inline constexpr std::size_t kLargestFeedFile = 64 << 20;

// Reads a UTF-8 feed: one bulletin per line as "callsign|addressee|text", the text being
// everything after the second "|". Blank lines and lines starting with "#" are ignored;
// lines without a callsign or addressee, or longer than `kLongestFeedLine`, are reported and
// skipped. Lines may end with LF or CR LF.
Feed parseFeed(std::string_view text);

// Reads a feed file; an unreadable file, one larger than `kLargestFeedFile`, or anything but a
// regular file (a FIFO, a device) is one problem numbered 0, found without waiting.
Feed readFeedFile(const std::filesystem::path& file);

} // namespace quillet::station
