#include "settings_test_support.h"

#include "settings/file_bytes.h"

#include <csignal>
#include <sys/resource.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

using SettingsRewrite = SettingsFileTest;

// Lines holding the key anywhere become key + value; every other line goes over byte for
// byte (commas, quotes, blanks and all), with CR LF as its end; a missing key is appended.
TEST_F(SettingsRewrite, KeyLinesAreReplacedAndEveryOtherLineKept) {
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
}

TEST_F(SettingsRewrite, PasswordBarsAndCommasThroughTheFile) {
    // "0x" scrambles to ",o": the comma is stored as a bar and read back as a comma.
    ASSERT_TRUE(change("FTP_PASSWORD=", m_scrambler.encrypt("0x")).ok());
    EXPECT_EQ(readBytes(ini()), "FTP_PASSWORD=|o\r\n");
    EXPECT_EQ(m_settings.ftpPassword, "0x");
    // "ab~" scrambles to "]Y|": the bar reads back as a comma, 44+2=46 ".".
    ASSERT_TRUE(change("FTP_PASSWORD=", m_scrambler.encrypt("ab~")).ok());
    EXPECT_EQ(m_settings.ftpPassword, "ab.");
}

TEST_F(SettingsRewrite, LinkedFileIsRewrittenBehindItsLinkWithItsPermissions) {
    fs::create_directory(m_dir / "conf");
    writeBytes(m_dir / "conf" / "mine.ini", "FTP_HOST=a\r\n");
    fs::permissions(m_dir / "conf" / "mine.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("conf/mine.ini", ini());
    ASSERT_TRUE(change("FTP_HOST=", "b").ok());
    EXPECT_TRUE(fs::is_symlink(ini()));
    EXPECT_EQ(readBytes(m_dir / "conf" / "mine.ini"), "FTP_HOST=b\r\n");
    EXPECT_EQ(fs::status(m_dir / "conf" / "mine.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entryNames(m_dir / "conf"), std::vector<std::string>{"mine.ini"});
}

// Each failing rewrite leaves the old file whole, the record as it was, no temporary file
// behind, and says why in one line.
TEST_F(SettingsRewrite, AFailedRewriteChangesNothing) {
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

    // A file size limit makes the write stop part-way, as a full disk does.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = 40;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const Status full = change("FTP_HOST=", "new.example.org");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    expectNothingChanged(full, "cannot write quillet.ini.new (File too large)");

    fs::permissions(m_dir, fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_TRUE(asOrdinaryUser(
        [&] { expectNothingChanged(change("FTP_HOST=", "new"), "Permission denied"); }));
    fs::permissions(m_dir, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});

    // A directory with contents cannot be renamed over; the temporary file must go again.
    fs::create_directory(m_dir / "busy");
    writeBytes(m_dir / "busy" / "keep", "k");
    const Status renamed = replaceFileBytes(m_dir / "busy", m_dir / "busy.new", "new content");
    EXPECT_TRUE(renamed.error().starts_with("cannot replace busy (")) << renamed.error();
    EXPECT_EQ(entryNames(m_dir), (std::vector<std::string>{"busy", "quillet.ini"}));
}

} // namespace
