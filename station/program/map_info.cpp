#include "station/program/map_info.h"

#include "base/files.h"
#include "base/qt_text.h"

#include <QFile>

#include <algorithm>
#include <string_view>

namespace quillet::station {

QString mapInfoPath(const QString& mapPath) {
    // The file name's own extension: a dot in a folder name (~/.local, maps.v2) is not one.
    const qsizetype nameStart = std::max(mapPath.lastIndexOf(u'/'), mapPath.lastIndexOf(u'\\')) + 1;
    const qsizetype dot = mapPath.lastIndexOf(u'.');
    return (dot < nameStart ? mapPath : mapPath.left(dot)) + QStringLiteral(".inf");
}

std::optional<QString> mapTitleFromInfo(QByteArrayView contents) {
    std::string_view rest(contents.data(), static_cast<std::size_t>(contents.size()));
    // Skip the first two lines; each must have its line end.
    for (int line = 0; line < 2; ++line) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(end + 1);
    }
    if (rest.empty()) {
        return std::nullopt; // a line end after the second line starts no third one
    }
    std::string_view title = rest.substr(0, rest.find('\n'));
    if (title.ends_with('\r')) {
        title.remove_suffix(1);
    }
    return fromWindows1252(title);
}

Result<QString> readMapTitle(const QString& mapPath) {
    const QString infoPath = mapInfoPath(mapPath);
    const auto read = readFile(QFile::encodeName(infoPath).toStdString(), kLargestMapInfoFile);
    if (!read || !*read) {
        return fail(QStringLiteral("cannot read the map information file %1 (%2)")
                        .arg(infoPath, read ? QStringLiteral("no such file")
                                            : QString::fromStdString(read.error()))
                        .toStdString());
    }
    const std::string& bytes = **read;
    if (auto title =
            mapTitleFromInfo(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())))) {
        return *title;
    }
    return fail(QStringLiteral("map information file %1 has no title on its third line")
                    .arg(infoPath)
                    .toStdString());
}

QString windowCaption(const QString& mapTitle) {
    return QStringLiteral("UI-View32 V2.03 [") + mapTitle + u']';
}

} // namespace quillet::station
