#include "settings_test_support.h"

#include <sys/stat.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

using SettingsLoad = SettingsFileTest;

TEST_F(SettingsLoad, MissingFileIsCreatedWithTheHostLineOnlyAndAnEmptyOneStaysEmpty) {
    m_settings.ftpHost = "stale";
    ASSERT_TRUE(load().ok());
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=localhost\r\n");
    EXPECT_EQ(m_settings, settingDefaults());
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});

    writeBytes(ini(), "");
    m_settings.htmlFileName = "stale.htm";
    ASSERT_TRUE(load().ok());
    EXPECT_EQ(m_settings, settingDefaults());
    EXPECT_EQ(readBytes(ini()), "");
}

// Values verbatim after the bar rule; the last line wins; keys are case-sensitive and count
// only at a line's start; CR LF, CR and LF end lines, and a last line without an end counts.
TEST_F(SettingsLoad, EveryKeyIsReadByTheFileRules) {
    writeBytes(ini(), "FTP_HOST=a\r\n"
                      "FTP_ENABLED=True\r\n"
                      "FTP_DIRECTORY=/pub|bulletins\r\n"
                      "ftp_username=lower\r\n"
                      "  FTP_USERNAME=indented\r\n"
                      "OLD_COPY_TO_DIRECTORY=x\r\n"
                      "\r\n"
                      "HTML_FILENAME= spaced \"page\".htm\n"
                      "FTP_HOST=b\r"
                      "FTP_PASSWORD=" +
                          m_scrambler.encrypt("s3cret pass") +
                          "\n\r"
                          "AUTO_COPY_ENABLED=TRUE\r\n"
                          "FTP_CA_FILE=/etc/quillet/ca.pem\r\n"
                          "WEBPAGE_UPDATE_EVERY=5");
    ASSERT_TRUE(load().ok());
    Settings expected = settingDefaults();
    expected.ftpHost = "b";
    expected.ftpEnabled = "True";
    expected.ftpDirectory = "/pub,bulletins";
    expected.htmlFileName = " spaced \"page\".htm";
    expected.ftpPassword = "s3cret pass";
    expected.autoCopyEnabled = "TRUE";
    expected.ftpCaFile = "/etc/quillet/ca.pem";
    expected.webpageUpdateEvery = "5";
    EXPECT_EQ(m_settings, expected);
    EXPECT_FALSE(isSwitchOn(m_settings.ftpEnabled));

    // Every load starts from the defaults, so a key gone from the file is gone from the record.
    writeBytes(ini(), "FTP_USERNAME=u\r\n");
    ASSERT_TRUE(load().ok());
    EXPECT_EQ(m_settings.ftpHost + "/" + m_settings.ftpPassword + m_settings.ftpCaFile,
              "localhost/");
}

// Whatever stands in the file's place, loading reports it, keeps the record and removes
// nothing; a pipe must not block.
TEST_F(SettingsLoad, UnreadableOrUncreatableFileKeepsTheSettingsAndTheFiles) {
    m_settings.ftpHost = "kept";
    const Settings before = m_settings;
    const auto expectError = [&](const fs::path& dir, const std::string& error) {
        const Status loaded = loadSettings(dir, m_scrambler, m_settings);
        EXPECT_EQ(loaded.error(), "Settings not loaded: " + error);
        EXPECT_EQ(m_settings, before);
    };
    fs::create_directory(ini());
    writeBytes(ini() / "inside", "x");
    expectError(m_dir, "cannot read quillet.ini (Is a directory)");
    EXPECT_EQ(readBytes(ini() / "inside"), "x");
    fs::remove_all(ini());
    ASSERT_EQ(::mkfifo(ini().c_str(), 0644), 0);
    expectError(m_dir, "cannot read quillet.ini (not a regular file)");
    fs::remove(ini());
    expectError(m_dir / "gone", "cannot create quillet.ini.new (No such file or directory)");
    writeBytes(m_dir / "plain", "");
    expectError(m_dir / "plain", "cannot read quillet.ini (Not a directory)");

    writeBytes(ini(), "FTP_HOST=private\r\n");
    fs::permissions(ini(), fs::perms::none);
    ASSERT_TRUE(
        asOrdinaryUser([&] { expectError(m_dir, "cannot read quillet.ini (Permission denied)"); }));
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=private\r\n");
    fs::remove(ini());
    fs::permissions(m_dir, fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_TRUE(asOrdinaryUser(
        [&] { expectError(m_dir, "cannot create quillet.ini.new (Permission denied)"); }));
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"plain"});
}

} // namespace
