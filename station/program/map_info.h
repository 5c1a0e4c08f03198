#pragma once

#include "base/result.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <optional>

namespace quillet::station {

// A map's information file sits beside it: the map file name's own extension replaced by
// ".inf", or ".inf" appended when the name has none; dots in folder names are kept.
QString mapInfoPath(const QString& mapPath);

// The map title is the third line of the information file, exactly as written. Lines end
// with CR LF or LF; the file is Windows-1252. Empty when the file has fewer than three lines.
std::optional<QString> mapTitleFromInfo(QByteArrayView contents);

// An information file holds a few short lines; a larger one is not read.
inline constexpr std::size_t kLargestMapInfoFile = 8 * 1024;

// Reads the title of the map at this path from its information file. Only a regular file up
// to `kLargestMapInfoFile` is read; anything else (a FIFO, a device) fails at once. A missing
// or short file fails too, with a sentence naming the file, for a warning.
Result<QString> readMapTitle(const QString& mapPath);

// The main window's caption, which clients may look for.
QString windowCaption(const QString& mapTitle);

} // namespace quillet::station
