#include "station/program/feed.h"

#include "base/files.h"

#include <QFile>

namespace quillet::station {

namespace {

constexpr QChar kFieldMark = u'|';

} // namespace

Feed parseFeed(QStringView text) {
    Feed feed;
    int number = 0;
    for (QStringView line : text.tokenize(u'\n')) {
        ++number;
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.size() > kLongestFeedLine) {
            feed.problems.push_back(
                {number, QStringLiteral("longer than %1 characters").arg(kLongestFeedLine)});
            continue;
        }
        const qsizetype first = line.indexOf(kFieldMark);
        const qsizetype second = first < 0 ? -1 : line.indexOf(kFieldMark, first + 1);
        if (second < 0) {
            feed.problems.push_back(
                {number, QStringLiteral("expected callsign|addressee|text, found \"%1\"")
                             .arg(line.toString())});
            continue;
        }
        FeedBulletin bulletin{line.left(first).toString(),
                              line.sliced(first + 1, second - first - 1).toString(),
                              line.sliced(second + 1).toString()};
        if (bulletin.callsign.isEmpty() || bulletin.addressee.isEmpty()) {
            feed.problems.push_back(
                {number, QStringLiteral("callsign and addressee must not be empty")});
            continue;
        }
        feed.bulletins.push_back(std::move(bulletin));
    }
    return feed;
}

Feed readFeedFile(const QString& path) {
    Feed feed;
    const auto read =
        readFile(QFile::encodeName(path).toStdString(), static_cast<std::size_t>(kLargestFeedFile));
    if (!read || !*read) {
        feed.problems.push_back({0, QStringLiteral("cannot read: %1")
                                        .arg(read ? QStringLiteral("no such file")
                                                  : QString::fromStdString(read.error()))});
        return feed;
    }
    return parseFeed(QString::fromUtf8(**read));
}

} // namespace quillet::station
