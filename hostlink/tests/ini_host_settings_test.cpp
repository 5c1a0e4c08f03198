// The host's settings file, always under a temporary XDG_CONFIG_HOME so that the real user's
// configuration is never touched.

#include "hostlink/ini_host_settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillet {
namespace {

class IniHostSettingsTest : public ::testing::Test {
protected:
    // Each test sets its own; ctest runs each in a process of its own.
    void SetUp() override { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path())); }
    QString iniPath() const {
        return m_configHome.path() + QStringLiteral("/Peak Systems/UI-View32.ini");
    }
    void writeIni(const QByteArray& bytes) {
        ASSERT_TRUE(QDir().mkpath(m_configHome.path() + QStringLiteral("/Peak Systems")));
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readIni() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_configHome;
};

TEST_F(IniHostSettingsTest, ReadsTheFolderOfItsOwnSectionInWindows1252) {
    EXPECT_EQ(IniHostSettings().filePath(), iniPath());
    EXPECT_EQ(IniHostSettings().programFolder(), "");
    writeIni("[Other]\nProgram Folder=/wrong/\n"
             "[UI-View32]\nProgram Folders=/wrong/\n; Program Folder=/commented/\n");
    EXPECT_EQ(IniHostSettings().programFolder(), "");
    writeIni("\xEF\xBB\xBF[Other]\r\n"
             "Program Folder=/other/\r\n"
             "  [ ui-view32 ]  \r\n"
             "Callsign=G4SIM\r\n"
             "  program folder =  /home/j\xC3\xBCrgen/UI View/  \r\n"
             "Program Folder=/second/\r\n");
    EXPECT_EQ(IniHostSettings().programFolder(), "/home/j\xFCrgen/UI View/");
}

TEST_F(IniHostSettingsTest, WritingReplacesOrAddsTheValueAndKeepsEveryOtherLine) {
    const IniHostSettings settings;
    EXPECT_EQ(settings.setProgramFolder(QStringLiteral("/opt/uiview/")).error(), "");
    EXPECT_EQ(readIni(), QByteArray("[UI-View32]\nProgram Folder=/opt/uiview/\n"));
    writeIni("; the host's settings\n[UI-View32]\nCallsign=G4SIM\nProgram Folder=/old/\n\n"
             "[Other]\nProgram Folder=/other/\n");
    EXPECT_EQ(settings.setProgramFolder(QString::fromUtf8("/opt/K\xC3\xBCste/")).error(), "");
    EXPECT_EQ(readIni(), QByteArray("; the host's settings\n[UI-View32]\nCallsign=G4SIM\n"
                                    "Program Folder=/opt/K\xC3\xBCste/\n\n"
                                    "[Other]\nProgram Folder=/other/\n"));
    EXPECT_EQ(settings.programFolder(), "/opt/K\xFCste/");
    writeIni("[UI-View32]\nCallsign=G4SIM\n\n[Other]\nx=1");
    EXPECT_EQ(settings.setProgramFolder(QStringLiteral("/a/")).error(), "");
    EXPECT_EQ(readIni(),
              QByteArray("[UI-View32]\nCallsign=G4SIM\nProgram Folder=/a/\n\n[Other]\nx=1\n"));
    writeIni("[Other]\nx=1\n");
    EXPECT_EQ(settings.setProgramFolder(QStringLiteral("/b/")).error(), "");
    EXPECT_EQ(readIni(), QByteArray("[Other]\nx=1\n\n[UI-View32]\nProgram Folder=/b/\n"));
}

TEST_F(IniHostSettingsTest, WritingFailsWithALineAndLeavesTheFileAlone) {
    writeIni("[UI-View32]\nProgram Folder=/old/\n");
    EXPECT_EQ(IniHostSettings().setProgramFolder(QStringLiteral("/a/\n[Evil]")).error(),
              "the program folder holds a line break");
    // A settings folder that is a file cannot hold the settings file, which is then unreadable.
    const IniHostSettings blocked(iniPath() + QStringLiteral("/x.ini"));
    EXPECT_EQ(blocked.setProgramFolder(QStringLiteral("/a/")).error(),
              "cannot read x.ini (Not a directory) in " + iniPath().toStdString());
    EXPECT_EQ(readIni(), QByteArray("[UI-View32]\nProgram Folder=/old/\n"));
}

} // namespace
} // namespace quillet
