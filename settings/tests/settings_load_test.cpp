#include "settings_test_support.h"

#include <sys/stat.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

using SettingsLoad = SettingsFileTest;

TEST_F(SettingsLoad, MissingFileIsCreatedWithTheHostLineOnlyAndAnEmptyOneStaysEmpty) {
    m_settings.ftpHost = "stale";
    ASSERT_EQ(load(), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=localhost\r\n");
    EXPECT_EQ(m_settings, settingDefaults());
    EXPECT_EQ(m_settings.ftpEnabled + m_settings.autoCopyEnabled, "FALSEFALSE");
    EXPECT_EQ(m_settings.webpageUpdateEvery + " " + m_settings.htmlFileName, "10 quillet.htm");
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});

    writeBytes(ini(), "");
    m_settings.htmlFileName = "stale.htm";
    ASSERT_EQ(load(), std::nullopt);
    EXPECT_EQ(m_settings, settingDefaults());
    EXPECT_EQ(readBytes(ini()), "");
}

TEST_F(SettingsLoad, ValuesAreTakenVerbatimAfterTheBarRuleAndTheLastLineWins) {
    writeBytes(ini(), "FTP_HOST=a\r\n"
                      "FTP_ENABLED=True\r\n"
                      "FTP_DIRECTORY=/pub|bulletins\r\n"
                      "WEBPAGE_UPDATE_EVERY=5\r\n"
                      "NOTIFY_NEW_BULLETINS=FALSE\r\n"
                      "ftp_username=lower\r\n"
                      "OTHER=1\r\n"
                      "\r\n"
                      "HTML_FILENAME= spaced \"page\".htm\r\n"
                      "FTP_HOST=b\r\n"
                      "FTP_PASSWORD=" +
                          m_scrambler.encrypt("s3cret pass") +
                          "\r\n"
                          "AUTO_COPY_ENABLED=TRUE\r\n"
                          "COPY_TO_DIRECTORY=\r\n");
    ASSERT_EQ(load(), std::nullopt);
    EXPECT_EQ(m_settings.ftpHost, "b");
    EXPECT_EQ(m_settings.ftpEnabled, "True");
    EXPECT_FALSE(isSwitchOn(m_settings.ftpEnabled));
    EXPECT_TRUE(isSwitchOn(m_settings.autoCopyEnabled));
    EXPECT_EQ(m_settings.ftpDirectory, "/pub,bulletins");
    EXPECT_EQ(m_settings.webpageUpdateEvery, "5");
    EXPECT_FALSE(isSwitchOn(m_settings.notifyNewBulletins));
    EXPECT_EQ(m_settings.ftpUserName, ""); // keys are case-sensitive
    EXPECT_EQ(m_settings.htmlFileName, " spaced \"page\".htm");
    EXPECT_EQ(m_settings.copyToDirectory, "");
    EXPECT_EQ(m_settings.ftpPassword, "s3cret pass");

    // Every load starts from the defaults, so a key gone from the file is gone from the record.
    writeBytes(ini(), "FTP_USERNAME=u\r\n");
    ASSERT_EQ(load(), std::nullopt);
    EXPECT_EQ(m_settings.ftpHost + "/" + m_settings.ftpPassword, "localhost/");
    EXPECT_TRUE(isSwitchOn(m_settings.notifyNewBulletins)); // notices are on unless switched off
}

TEST_F(SettingsLoad, KeysCountOnlyAtALineStartAndLinesEndAtCrLfCrOrLf) {
    writeBytes(ini(), "  FTP_HOST=indented\r\n"
                      "OLD_FTP_HOST=other\r\n"
                      "FTP_DIRECTORY=/x/FTP_USERNAME=y\r"
                      "HTML_FILENAME=p\n"
                      "\n\r"
                      "WEBPAGE_UPDATE_EVERY=3");
    ASSERT_EQ(load(), std::nullopt);
    EXPECT_EQ(m_settings.ftpHost, "localhost");
    EXPECT_EQ(m_settings.ftpUserName, "");
    EXPECT_EQ(m_settings.ftpDirectory, "/x/FTP_USERNAME=y");
    EXPECT_EQ(m_settings.htmlFileName, "p");
    EXPECT_EQ(m_settings.webpageUpdateEvery, "3"); // a last line without an end counts
}

// Whatever stands in the file's place, loading reports it, keeps the record and removes
// nothing; a pipe must not block.
TEST_F(SettingsLoad, UnreadableFileKeepsTheSettingsAndTheFile) {
    m_settings.ftpHost = "kept";
    const Settings before = m_settings;
    fs::create_directory(ini());
    writeBytes(ini() / "inside", "x");
    EXPECT_EQ(load(), "Settings not loaded: cannot read quillet.ini (Is a directory)");
    EXPECT_EQ(readBytes(ini() / "inside"), "x");
    fs::remove_all(ini());

    ASSERT_EQ(::mkfifo(ini().c_str(), 0644), 0);
    EXPECT_EQ(load(), "Settings not loaded: cannot read quillet.ini (not a regular file)");
    fs::remove(ini());

    writeBytes(ini(), "FTP_HOST=private\r\n");
    fs::permissions(ini(), fs::perms::none);
    SettingsError error;
    {
        AsOrdinaryUser user;
        if (!user.active()) {
            GTEST_SKIP() << "cannot drop to an ordinary user";
        }
        error = load();
    }
    EXPECT_EQ(error, "Settings not loaded: cannot read quillet.ini (Permission denied)");
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=private\r\n");
    EXPECT_EQ(m_settings, before);
}

TEST_F(SettingsLoad, FileThatCannotBeCreatedLeavesNoTrace) {
    m_settings.ftpHost = "kept";
    const Settings before = m_settings;
    // The program's directory has gone, or its path runs through a regular file.
    EXPECT_EQ(loadSettings(m_dir / "gone", m_scrambler, m_settings),
              "Settings not loaded: cannot create quillet.ini.new (No such file or directory)");
    writeBytes(m_dir / "plain", "");
    EXPECT_EQ(loadSettings(m_dir / "plain", m_scrambler, m_settings),
              "Settings not loaded: cannot read quillet.ini (Not a directory)");

    fs::permissions(m_dir, fs::perms::owner_write | fs::perms::others_write,
                    fs::perm_options::remove);
    SettingsError error;
    {
        AsOrdinaryUser user;
        if (!user.active()) {
            GTEST_SKIP() << "cannot drop to an ordinary user";
        }
        error = load();
    }
    EXPECT_EQ(error, "Settings not loaded: cannot create quillet.ini.new (Permission denied)");
    EXPECT_EQ(m_settings, before);
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"plain"});
}

} // namespace
