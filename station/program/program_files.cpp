#include "station/program/program_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace quillet::station {

namespace {

std::filesystem::path localPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(QDir::cleanPath(path)).toStdString());
}

} // namespace

Result<ProgramFolder> hostProgramFolder() {
    const QString executableDir = QCoreApplication::applicationDirPath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return chooseProgramFolder({localPath(executableDir),
                                "sample_feed.txt",
                                localPath(executableDir + QStringLiteral("/../share/quillet-host")),
                                localPath(data + QStringLiteral("/quillet-host")),
                                {}});
}

} // namespace quillet::station
