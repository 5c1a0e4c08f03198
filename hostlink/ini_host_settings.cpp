#include "hostlink/ini_host_settings.h"

#include "base/files.h"
#include "base/qt_text.h"
#include "settings/settings_size_limit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <filesystem>
#include <utility>

namespace quillet {

namespace {

const QString kSection = QStringLiteral("UI-View32");
const QString kKey = QStringLiteral("Program Folder");

// The file's lines, none when it is missing; a file that is there but cannot be read fails.
Result<QStringList> readLines(const QString& path) {
    // Regular files only, opened without blocking: a pipe under this name must not hold up
    // the start.
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    const auto read = readFile(file, kSettingsFileLimit);
    if (!read) {
        return fail(QFile::decodeName(QByteArray::fromStdString(cannotRead(file, read.error())))
                        .toStdString());
    }
    if (!*read) {
        return QStringList();
    }
    QByteArray bytes = QByteArray::fromStdString(**read);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    // A file ending with a line break has no line after it.
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    return lines;
}

// The name of a "[name]" line, or a null string for any other line.
QString sectionName(const QString& line) {
    const QString trimmed = line.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('[')) &&
        trimmed.endsWith(QLatin1Char(']'))) {
        return trimmed.mid(1, trimmed.size() - 2).trimmed();
    }
    return QString();
}

bool isKeyLine(const QString& line) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'))) {
        return false;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals >= 0 && line.left(equals).trimmed().compare(kKey, Qt::CaseInsensitive) == 0;
}

struct Found {
    qsizetype sectionLine = -1; // the "[UI-View32]" line
    qsizetype keyLine = -1;     // its first "Program Folder=" line
    qsizetype sectionEnd = -1;  // the last line of the section that is not blank
};

Found find(const QStringList& lines) {
    Found found;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines[i]);
        if (!name.isNull()) {
            inSection = name.compare(kSection, Qt::CaseInsensitive) == 0 && found.sectionLine < 0;
            if (inSection) {
                found.sectionLine = i;
                found.sectionEnd = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (!lines[i].trimmed().isEmpty()) {
            found.sectionEnd = i;
        }
        if (found.keyLine < 0 && isKeyLine(lines[i])) {
            found.keyLine = i;
        }
    }
    return found;
}

} // namespace

IniHostSettings::IniHostSettings() : m_filePath(defaultFilePath()) {}

IniHostSettings::IniHostSettings(QString filePath) : m_filePath(std::move(filePath)) {}

QString IniHostSettings::defaultFilePath() {
    // GenericConfigLocation is $XDG_CONFIG_HOME, or ~/.config when that is not set.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Peak Systems/UI-View32.ini");
}

std::string IniHostSettings::programFolder() const {
    // An unreadable file records no folder, the same as a missing one.
    const Result<QStringList> lines = readLines(m_filePath);
    if (!lines) {
        return {};
    }
    const Found found = find(*lines);
    if (found.keyLine < 0) {
        return {};
    }
    const QString& line = (*lines)[found.keyLine];
    return toWindows1252(line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed());
}

Status IniHostSettings::setProgramFolder(const QString& folder) const {
    if (folder.contains(QLatin1Char('\n')) || folder.contains(QLatin1Char('\r'))) {
        return fail("the program folder holds a line break");
    }
    Result<QStringList> read = readLines(m_filePath);
    if (!read) {
        return fail(
            QStringLiteral("%1 in %2")
                .arg(QString::fromStdString(read.error()), QFileInfo(m_filePath).absolutePath())
                .toStdString());
    }
    QStringList& lines = read.value();
    const QString keyLine = kKey + QLatin1Char('=') + folder;
    const Found found = find(lines);
    if (found.keyLine >= 0) {
        lines[found.keyLine] = keyLine;
    } else if (found.sectionLine >= 0) {
        lines.insert(found.sectionEnd + 1, keyLine);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) {
            lines.append(QString());
        }
        lines.append(QLatin1Char('[') + kSection + QLatin1Char(']'));
        lines.append(keyLine);
    }

    const QString dir = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(dir)) {
        return fail(
            QStringLiteral("cannot create the folder for %1").arg(m_filePath).toStdString());
    }
    // Replaced by renaming a fresh file of our own into place: a link planted under the name
    // is replaced, never written through.
    const std::filesystem::path file(QFile::encodeName(m_filePath).toStdString());
    std::filesystem::path temp = file;
    temp += ".new";
    const Status written =
        replaceFile(file, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toStdString(), temp);
    if (!written) {
        return fail(QStringLiteral("%1 in %2")
                        .arg(QString::fromStdString(written.error()), dir)
                        .toStdString());
    }
    return {};
}

} // namespace quillet
