// The settings file: the scrambled password, loading and the one-key rewrite.

#include "settings/scrambler.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_size_limit.h"

#include "base/tests/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

// A fresh program directory per test, with the settings record and scrambler the main window
// would hold.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { // others may enter, so that an ordinary user can reach the files
        fs::permissions(m_dir,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }

    fs::path ini() const { return m_dir / "quillet.ini"; }
    Status load() { return loadSettings(m_dir, m_scrambler, m_settings); }
    Status change(std::string_view key, std::string_view value, bool upCase = false) {
        return changeConfig(m_dir, key, value, upCase, m_scrambler, m_settings);
    }

    TempDir m_temp;
    fs::path m_dir = m_temp.path();
    Scrambler m_scrambler;
    Settings m_settings = settingDefaults();
};

// Stored passwords depend on this exact result: if it changes, every existing settings file
// holds a password the program can no longer read. The table is 4 9 2 7 5 1 8 3 6 2 5, then
// 4 again for the twelfth character (Q 81-4=77 M, ..., Z 90-4=86 V).
TEST(Scrambler, PinnedFormAndRoundTripOfEveryByteAtEveryPosition) {
    Scrambler scrambler;
    scrambler.initScrambleOffsets(); // a second call changes nothing
    EXPECT_EQ(scrambler.encrypt("Quillet2024Z"), "Mlgegdl/*0/V");
    EXPECT_EQ(scrambler.decrypt("Mlgegdl/*0/V"), "Quillet2024Z");
    EXPECT_EQ(scrambler.encrypt(""), "");
    std::string all; // each byte eleven times in a row meets every offset once
    for (int code = 0; code < 256; ++code) {
        all.append(Scrambler::kOffsetCount, static_cast<char>(code));
    }
    const std::string scrambled = scrambler.encrypt(all);
    EXPECT_EQ(scrambled.size(), all.size());
    EXPECT_EQ(scrambler.decrypt(scrambled), all);
    EXPECT_EQ(scrambler.encrypt(scrambler.decrypt(all)), all);
}

using SettingsLoad = SettingsFileTest;

TEST_F(SettingsLoad, EveryKeyIsReadAMissingFileIsMadeAnEmptyOneStaysAnUnreadableOneIsKept) {
    // Values verbatim after the bar rule; the last line wins; keys are case-sensitive and count
    // only at a line's start; CR LF, CR and LF end lines, and a last line without an end counts.
    writeBytes(ini(), "FTP_HOST=a\r\nFTP_ENABLED=True\r\nFTP_DIRECTORY=/pub|bulletins\r\n"
                      "ftp_username=lower\r\n  FTP_USERNAME=indented\r\nOLD_COPY_TO_DIRECTORY=x\r\n"
                      "\r\nHTML_FILENAME= spaced \"page\".htm\nFTP_HOST=b\rFTP_PASSWORD=" +
                          m_scrambler.encrypt("s3cret pass") +
                          "\n\rAUTO_COPY_ENABLED=TRUE\r\nFTP_CA_FILE=/etc/quillet/ca.pem\r\n"
                          "NOTIFY_NEW_BULLETINS=FALSE\r\nPUBLISH_ON_CHANGE=FALSE\r\n"
                          "PAGE_URL=https://x.org/a.htm\r\nUSE_DESKTOP_COLOURS=TRUE\r\n"
                          "WEBPAGE_UPDATE_EVERY=5");
    ASSERT_TRUE(load().ok());
    Settings expected = settingDefaults();
    expected.ftpHost = "b";
    expected.ftpEnabled = false; // only "TRUE" is on
    expected.ftpDirectory = "/pub,bulletins";
    expected.htmlFileName = " spaced \"page\".htm";
    expected.ftpPassword = "s3cret pass";
    expected.autoCopyEnabled = true;
    expected.ftpCaFile = "/etc/quillet/ca.pem";
    expected.webpageUpdateMinutes = 5;
    expected.notifyNewBulletins = false;
    expected.publishOnChange = false;
    expected.pageUrl = "https://x.org/a.htm";
    expected.useDesktopColours = true;
    EXPECT_EQ(m_settings, expected);
    // Every load starts from the defaults, so a key gone from the file is gone from the record.
    writeBytes(ini(), "FTP_USERNAME=u\r\n");
    ASSERT_TRUE(load().ok());
    EXPECT_EQ(m_settings.ftpHost + "/" + m_settings.ftpPassword + m_settings.ftpCaFile +
                  m_settings.htmlFileName,
              "localhost/quillet.htm");
    EXPECT_TRUE(m_settings.notifyNewBulletins && m_settings.publishOnChange); // on unless off
    EXPECT_FALSE(m_settings.useDesktopColours); // the house colours unless switched
    fs::remove(ini());
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
    // A file that cannot be read or created is reported in one line; the record is kept and
    // nothing is removed.
    m_settings.ftpHost = "kept";
    const Settings before = m_settings;
    const auto expectError = [&](const fs::path& dir, const std::string& error) {
        const Status loaded = loadSettings(dir, m_scrambler, m_settings);
        EXPECT_EQ(loaded.error(), "Settings not loaded: " + error);
        EXPECT_EQ(m_settings, before);
    };
    expectError(m_dir / "gone", "cannot create quillet.ini.new (No such file or directory)");
    writeBytes(ini(), "FTP_HOST=private\r\n");
    fs::permissions(ini(), fs::perms::none);
    asOrdinaryUser([&] { expectError(m_dir, "cannot read quillet.ini (Permission denied)"); });
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=private\r\n");
}

TEST(UpdateMinutes, DecimalTextRoundsHalvesToEvenAndAnythingElseIsTen) {
    const std::vector<std::pair<const char*, int>> cases{
        {"  15\t", 15},     {"+3", 3}, {"2.5", 2},  {"3.5", 4},  {"-2.5", -2},    {"32767", 32767},
        {"-32768", -32768}, {"", 10},  {"nan", 10}, {"1e2", 10}, {"32767.5", 10}, {"-32769", 10}};
    for (const auto& [text, minutes] : cases) {
        EXPECT_EQ(updateMinutesFromText(text), minutes) << '"' << text << '"';
    }
}

using SettingsRewrite = SettingsFileTest;

// Lines holding the key anywhere become key + value; every other line goes over byte for
// byte (commas, quotes, blanks and all), with CR LF as its end; a missing key is appended.
TEST_F(SettingsRewrite, KeyLinesAreReplacedEveryOtherLineKeptAndALinkFollowed) {
    const struct {
        std::string before, key, value;
        bool upCase;
        std::string after;
    } cases[] = {
        {"FTP_HOST=old\r\n\r\nCOPY_TO_DIRECTORY=x,y\nOLD_FTP_HOST=legacy\r   FTP_USERNAME=me\n"
         "; \"quoted\", 1.5, #note#\r\n\t\r\nFTP_HOST=again",
         "FTP_HOST=", "new", false,
         "FTP_HOST=new\r\n\r\nCOPY_TO_DIRECTORY=x,y\r\nFTP_HOST=new\r\n   FTP_USERNAME=me\r\n"
         "; \"quoted\", 1.5, #note#\r\n\t\r\nFTP_HOST=new\r\n"},
        {"", "FTP_DIRECTORY=", "a,b", false, "FTP_DIRECTORY=a|b\r\n"},
        {"FTP_HOST=h", "FTP_ENABLED=", "true", true, "FTP_HOST=h\r\nFTP_ENABLED=TRUE\r\n"},
        {"", "FTP_PASSWORD=", "", false, "FTP_PASSWORD=\r\n"},
        {"A=1, \"b\"\r\nPUBLISH_ON_CHANGE=TRUE\r\n", "PUBLISH_ON_CHANGE=", "false", true,
         "A=1, \"b\"\r\nPUBLISH_ON_CHANGE=FALSE\r\n"},
        {"", "FTP_USERNAME=", "Mixed\xE9", true, "FTP_USERNAME=MIXED\xC9\r\n"},
    };
    for (const auto& c : cases) {
        writeBytes(ini(), c.before);
        ASSERT_TRUE(change(c.key, c.value, c.upCase).ok()) << c.key;
        EXPECT_EQ(readBytes(ini()), c.after) << c.key;
        EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});
    }
    EXPECT_EQ(m_settings.ftpUserName, "MIXED\xC9"); // reloaded after the rewrite
    // A file deleted since start-up is made anew with the one key.
    fs::remove(ini());
    ASSERT_TRUE(change("HTML_FILENAME=", "index.htm").ok());
    EXPECT_EQ(readBytes(ini()), "HTML_FILENAME=index.htm\r\n");
    fs::remove(ini()); // a linked file is rewritten behind its link
    fs::create_directory(m_dir / "conf");
    writeBytes(m_dir / "conf" / "mine.ini", "FTP_HOST=a\r\n");
    fs::create_symlink("conf/mine.ini", ini());
    ASSERT_TRUE(change("FTP_HOST=", "b").ok());
    EXPECT_TRUE(fs::is_symlink(ini()));
    EXPECT_EQ(readBytes(m_dir / "conf" / "mine.ini"), "FTP_HOST=b\r\n");
    EXPECT_EQ(entryNames(m_dir / "conf"), std::vector<std::string>{"mine.ini"});
}

// A new file holding the password is the owner's alone; an existing file keeps its mode.
TEST_F(SettingsRewrite, PasswordBarsAndCommasThroughTheFileAndAFailedRewriteChangesNothing) {
    const auto mode = [&] { return fs::status(ini()).permissions() & fs::perms::all; };
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    const fs::perms readable = ownerOnly | fs::perms::group_read | fs::perms::others_read;
    // "0x" scrambles to ",o": the comma is stored as a bar and read back as a comma.
    ASSERT_TRUE(change("FTP_PASSWORD=", m_scrambler.encrypt("0x")).ok());
    EXPECT_EQ(readBytes(ini()), "FTP_PASSWORD=|o\r\n");
    EXPECT_EQ(m_settings.ftpPassword, "0x");
    EXPECT_EQ(mode(), ownerOnly);
    fs::remove(ini());
    ASSERT_TRUE(load().ok());
    EXPECT_EQ(mode(), ownerOnly);
    fs::permissions(ini(), readable);
    // "ab~" scrambles to "]Y|": the bar reads back as a comma, 44+2=46 ".".
    ASSERT_TRUE(change("FTP_PASSWORD=", m_scrambler.encrypt("ab~")).ok());
    EXPECT_EQ(m_settings.ftpPassword, "ab.");
    EXPECT_EQ(mode(), readable);
    // Each failing rewrite leaves the old file whole, the record as it was, no temporary file
    // behind, and says why in one line.
    const std::string old = "FTP_HOST=old.example.org\r\nHTML_FILENAME=bulletins.htm\r\n";
    writeBytes(ini(), old);
    ASSERT_TRUE(load().ok());
    const Settings before = m_settings;
    const auto expectNothingChanged = [&](const Status& status, std::string_view reason) {
        EXPECT_NE(status.error().find(reason), std::string::npos) << status.error();
        EXPECT_EQ(status.error().find('\n'), std::string::npos);
        EXPECT_EQ(readBytes(ini()), old);
        EXPECT_EQ(m_settings, before);
    };
    expectNothingChanged(change("", "x"), "no valid key");
    expectNothingChanged(change("FTP_HOST=", "b\r\nFTP_ENABLED=TRUE"),
                         "Setting FTP_HOST not saved: the value holds a line break");
    fs::create_directory(m_dir / "quillet.ini.new");
    expectNothingChanged(change("FTP_HOST=", "new"), "cannot write quillet.ini.new");
    fs::remove(m_dir / "quillet.ini.new");
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});
}

} // namespace
