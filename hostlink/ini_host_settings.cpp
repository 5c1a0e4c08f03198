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

struct IniLines {
    QStringList lines;
    bool readable = true; // false: the file exists but could not be read
    QString problem;
};

IniLines readLines(const QString& path) {
    IniLines result;
    // Regular files only, opened without blocking: a pipe under this name must not hold up
    // the start.
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    const auto read = readFile(file, kSettingsFileLimit);
    if (!read) {
        result.readable = false;
        result.problem =
            QFile::decodeName(QByteArray::fromStdString(cannotRead(file, read.error())));
        return result;
    }
    if (!*read) {
        return result;
    }
    QByteArray bytes = QByteArray::fromStdString(**read);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    result.lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    // A file ending with a line break has no line after it.
    if (!result.lines.isEmpty() && result.lines.last().isEmpty()) {
        result.lines.removeLast();
    }
    for (QString& line : result.lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    return result;
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
    const IniLines ini = readLines(m_filePath);
    const Found found = find(ini.lines);
    if (found.keyLine < 0) {
        return {};
    }
    const QString& line = ini.lines[found.keyLine];
    return toWindows1252(line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed());
}

Status IniHostSettings::setProgramFolder(const QString& folder) const {
    if (folder.contains(QLatin1Char('\n')) || folder.contains(QLatin1Char('\r'))) {
        return fail("the program folder holds a line break");
    }
    IniLines ini = readLines(m_filePath);
    if (!ini.readable) {
        return fail(QStringLiteral("%1 in %2")
                        .arg(ini.problem, QFileInfo(m_filePath).absolutePath())
                        .toStdString());
    }
    const QString keyLine = kKey + QLatin1Char('=') + folder;
    const Found found = find(ini.lines);
    if (found.keyLine >= 0) {
        ini.lines[found.keyLine] = keyLine;
    } else if (found.sectionLine >= 0) {
        ini.lines.insert(found.sectionEnd + 1, keyLine);
    } else {
        if (!ini.lines.isEmpty() && !ini.lines.last().trimmed().isEmpty()) {
            ini.lines.append(QString());
        }
        ini.lines.append(QLatin1Char('[') + kSection + QLatin1Char(']'));
        ini.lines.append(keyLine);
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
    const Status written = replaceFile(
        file, (ini.lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toStdString(), temp);
    if (!written) {
        return fail(QStringLiteral("%1 in %2")
                        .arg(QString::fromStdString(written.error()), dir)
                        .toStdString());
    }
    return {};
}

} // namespace quillet
