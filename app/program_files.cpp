#include "app/program_files.h"

#include "publishing/delivery.h"
#include "publishing/page_generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace quillet {

namespace {

std::filesystem::path localPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(QDir::cleanPath(path)).toStdString());
}

} // namespace

Result<ProgramFolder> quilletProgramFolder() {
    const QString executableDir = QCoreApplication::applicationDirPath();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return chooseProgramFolder(
        {localPath(executableDir),
         std::string(kTemplateFileName),
         localPath(executableDir + QStringLiteral("/../share/quillet")),
         localPath(config + QStringLiteral("/quillet")),
         {std::string(kTemplateFileName), std::string(kScriptSourceFileName)}});
}

QString programFolderNote(const ProgramFolder& folder) {
    QStringList lines;
    for (const std::string& warning : folder.warnings) {
        lines << QFile::decodeName(warning.c_str());
    }
    if (folder.created) {
        lines << QStringLiteral("Quillet keeps its settings and page files in %1")
                     .arg(QFile::decodeName(folder.folder.c_str()));
    }
    return lines.join(QStringLiteral("; "));
}

} // namespace quillet
