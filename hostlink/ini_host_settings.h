#pragma once

#include "base/result.h"
#include "hostlink/host_settings.h"

#include <QString>

#include <string>

namespace quillet {

// The host's per-user settings on Linux: an INI file in the user's configuration directory,
// by default $XDG_CONFIG_HOME/Peak Systems/UI-View32.ini (~/.config when the variable is not
// set), holding the program folder as
//
//     [UI-View32]
//     Program Folder=/opt/uiview32/
//
// The file is UTF-8, as configuration files on Linux are; lines end with LF or CR LF.
// Section and key names are matched without regard to case and blanks around them, as the
// host's own settings are; the first "Program Folder" line of the section counts.
class IniHostSettings final : public HostSettings {
public:
    // The file in the current user's configuration directory.
    IniHostSettings();
    explicit IniHostSettings(QString filePath);

    static QString defaultFilePath();
    const QString& filePath() const { return m_filePath; }

    // Empty when the file, the section or the key is missing, or the file cannot be read.
    std::string programFolder() const override;

    // Writes `folder` as the program folder, creating the directory and the file as needed
    // and keeping every other line as it was; the file is replaced whole, never left half
    // written. A failure says what went wrong in a line of UTF-8, as the file names in it are.
    Status setProgramFolder(const QString& folder) const;

private:
    QString m_filePath;
};

} // namespace quillet
