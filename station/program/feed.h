#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace quillet::station {

// One bulletin as the host logs it.
struct FeedBulletin {
    QString callsign;
    QString addressee;
    QString text;

    bool operator==(const FeedBulletin&) const = default;
};

// A line of a feed that could not be used, numbered from 1.
struct FeedProblem {
    int line = 0;
    QString message;

    bool operator==(const FeedProblem&) const = default;
};

struct Feed {
    std::vector<FeedBulletin> bulletins;
    std::vector<FeedProblem> problems;
};

// A bulletin on the air holds at most 67 characters; a feed line much longer than any
// bulletin is a mistake, and the log, the window and the bus must not carry it.
inline constexpr qsizetype kLongestFeedLine = 4096;
inline constexpr qint64 kLargestFeedFile = 64 << 20;

// Reads a feed: one bulletin per line as "callsign|addressee|text", the text being
// everything after the second "|". Blank lines and lines starting with "#" are ignored;
// lines without a callsign or addressee, or longer than `kLongestFeedLine`, are reported and
// skipped. Lines may end with LF or CR LF.
Feed parseFeed(QStringView text);

// Reads a UTF-8 feed file; an unreadable file, one larger than `kLargestFeedFile`, or anything
// but a regular file (a FIFO, a device) is one problem numbered 0, found without waiting.
Feed readFeedFile(const QString& path);

} // namespace quillet::station
