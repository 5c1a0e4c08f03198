#include "settings_test_support.h"

#include "settings/file_bytes.h"

#include <csignal>
#include <sys/resource.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

using SettingsRewrite = SettingsFileTest;

TEST_F(SettingsRewrite, KeyLinesAreReplacedInPlaceAndOtherLinesKept) {
    writeBytes(ini(), "FTP_HOST=old\r\n"
                      "\r\n"
                      "COPY_TO_DIRECTORY=x|y\r\n"
                      "FTP_USERNAME=me\r\n"
                      "OLD_FTP_HOST=legacy\r\n"
                      "FTP_HOST=again\r\n");
    ASSERT_EQ(change("FTP_HOST=", "new.example.org"), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=new.example.org\r\n"
                                "\r\n"
                                "COPY_TO_DIRECTORY=x|y\r\n"
                                "FTP_USERNAME=me\r\n"
                                "FTP_HOST=new.example.org\r\n" // substring match
                                "FTP_HOST=new.example.org\r\n");
    EXPECT_EQ(m_settings.ftpHost, "new.example.org");
    EXPECT_EQ(m_settings.copyToDirectory, "x,y");
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});
}

TEST_F(SettingsRewrite, MissingKeyIsAppendedNormalised) {
    writeBytes(ini(), "");
    ASSERT_EQ(change("FTP_DIRECTORY=", "a,b"), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "FTP_DIRECTORY=a|b\r\n");
    EXPECT_EQ(m_settings.ftpDirectory, "a,b");

    // A last line without its end gets one before the appended key.
    writeBytes(ini(), "FTP_HOST=h");
    ASSERT_EQ(change("FTP_ENABLED=", "true", true), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=h\r\nFTP_ENABLED=TRUE\r\n");
    EXPECT_TRUE(isSwitchOn(m_settings.ftpEnabled));

    ASSERT_EQ(change("FTP_USERNAME=", "Mixed\xE9"), std::nullopt);
    EXPECT_EQ(m_settings.ftpUserName, "Mixed\xE9");
    ASSERT_EQ(change("FTP_USERNAME=", "Mixed\xE9", true), std::nullopt);
    EXPECT_EQ(m_settings.ftpUserName, "MIXED\xC9"); // é -> É in Windows-1252

    // A file deleted since start-up is made anew with the one key.
    fs::remove(ini());
    ASSERT_EQ(change("HTML_FILENAME=", "index.htm"), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "HTML_FILENAME=index.htm\r\n");
}

// Hand-edited lines come through a rewrite of another key byte for byte; only their line end
// becomes CR LF.
TEST_F(SettingsRewrite, HandEditedLinesSurviveUnchanged) {
    writeBytes(ini(), "COPY_TO_DIRECTORY=x,y\n"
                      "   FTP_USERNAME=indented\n"
                      "; \"quoted\", 1.5, #note#\n"
                      "\n"
                      "\t\r\n");
    ASSERT_EQ(change("FTP_HOST=", "h"), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "COPY_TO_DIRECTORY=x,y\r\n"
                                "   FTP_USERNAME=indented\r\n"
                                "; \"quoted\", 1.5, #note#\r\n"
                                "\r\n"
                                "\t\r\n"
                                "FTP_HOST=h\r\n");
    EXPECT_EQ(m_settings.copyToDirectory, "x,y");
}

TEST_F(SettingsRewrite, PasswordBarsAndCommasThroughTheFile) {
    writeBytes(ini(), "");
    // "0x" scrambles to ",o" (0 48-4=44 ",", x 120-9=111 "o"); the comma is stored as a bar
    // and read back as a comma, so the password survives.
    ASSERT_EQ(change("FTP_PASSWORD=", m_scrambler.encrypt("0x")), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "FTP_PASSWORD=|o\r\n");
    EXPECT_EQ(m_settings.ftpPassword, "0x");
    // "ab~" scrambles to "]Y|" (~ 126-2=124 "|"); the bar reads back as a comma, 44+2=46 ".".
    ASSERT_EQ(change("FTP_PASSWORD=", m_scrambler.encrypt("ab~")), std::nullopt);
    EXPECT_EQ(m_settings.ftpPassword, "ab.");
    ASSERT_EQ(change("FTP_PASSWORD=", m_scrambler.encrypt("")), std::nullopt);
    EXPECT_EQ(readBytes(ini()), "FTP_PASSWORD=\r\n");
}

TEST_F(SettingsRewrite, LinkedFileIsRewrittenBehindItsLinkWithItsPermissions) {
    fs::create_directory(m_dir / "conf");
    writeBytes(m_dir / "conf" / "mine.ini", "FTP_HOST=a\r\n");
    fs::permissions(m_dir / "conf" / "mine.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("conf/mine.ini", ini());
    ASSERT_EQ(change("FTP_HOST=", "b"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(ini()));
    EXPECT_EQ(readBytes(m_dir / "conf" / "mine.ini"), "FTP_HOST=b\r\n");
    EXPECT_EQ(fs::status(m_dir / "conf" / "mine.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entryNames(m_dir / "conf"), std::vector<std::string>{"mine.ini"});
}

TEST_F(SettingsRewrite, BadKeyOrValueIsRefusedBeforeTouchingTheFile) {
    writeBytes(ini(), "FTP_HOST=a\r\n");
    EXPECT_TRUE(change("", "x").has_value());
    EXPECT_EQ(change("FTP_HOST=", "b\r\nFTP_ENABLED=TRUE"),
              "Setting FTP_HOST not saved: the value holds a line break");
    EXPECT_EQ(readBytes(ini()), "FTP_HOST=a\r\n");
}

// The failing rewrites below must each leave the old file whole, the record as it was, and
// no temporary file behind.
class SettingsRewriteFailure : public SettingsFileTest {
protected:
    void SetUp() override {
        SettingsFileTest::SetUp();
        writeBytes(ini(), kOld);
        ASSERT_EQ(load(), std::nullopt);
        m_before = m_settings;
    }
    void expectNothingChanged(const SettingsError& error, std::string_view reason) {
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find(reason), std::string::npos) << *error;
        EXPECT_EQ(error->find('\n'), std::string::npos);
        EXPECT_EQ(readBytes(ini()), kOld);
        EXPECT_EQ(m_settings, m_before);
    }

    static constexpr const char* kOld = "FTP_HOST=old.example.org\r\n"
                                        "FTP_USERNAME=operator\r\n"
                                        "COPY_TO_DIRECTORY=/srv/www/bulletins\r\n"
                                        "HTML_FILENAME=bulletins.htm\r\n";
    Settings m_before;
};

TEST_F(SettingsRewriteFailure, TemporaryNameTakenByADirectory) {
    fs::create_directory(m_dir / "quillet.ini.new");
    expectNothingChanged(change("FTP_HOST=", "new"), "cannot write quillet.ini.new");
    EXPECT_TRUE(fs::is_directory(m_dir / "quillet.ini.new"));
}

TEST_F(SettingsRewriteFailure, DiskFullHalfWayThrough) {
    // A file size limit makes the write stop part-way, as a full disk does.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = 40;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const SettingsError error = change("FTP_HOST=", "new.example.org");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    expectNothingChanged(error, "cannot write quillet.ini.new (File too large)");
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});
}

TEST_F(SettingsRewriteFailure, ReadOnlyDirectory) {
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                               fs::perms::others_exec);
    SettingsError error;
    {
        AsOrdinaryUser user;
        if (!user.active()) {
            GTEST_SKIP() << "cannot drop to an ordinary user";
        }
        error = change("FTP_HOST=", "new");
    }
    expectNothingChanged(error, "Permission denied");
    EXPECT_EQ(entryNames(m_dir), std::vector<std::string>{"quillet.ini"});
}

TEST_F(SettingsRewriteFailure, SettingsFileReplacedByADirectory) {
    fs::rename(ini(), m_dir / "saved.ini");
    fs::create_directory(ini());
    const SettingsError error = change("FTP_HOST=", "new");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, "Setting FTP_HOST not saved: cannot read quillet.ini (Is a directory)");
    EXPECT_EQ(m_settings, m_before);
    EXPECT_TRUE(fs::is_empty(ini()));
    EXPECT_EQ(entryNames(m_dir), (std::vector<std::string>{"quillet.ini", "saved.ini"}));
}

TEST_F(SettingsRewriteFailure, RenameOverTheTargetFails) {
    // A directory with contents cannot be renamed over; the temporary file must go again.
    const fs::path target = m_dir / "busy";
    fs::create_directory(target);
    writeBytes(target / "keep", "k");
    const auto error = replaceFileBytes(target, m_dir / "busy.new", "new content");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->rfind("cannot replace busy (", 0), 0u) << *error;
    EXPECT_EQ(readBytes(target / "keep"), "k");
    EXPECT_EQ(entryNames(m_dir), (std::vector<std::string>{"busy", "quillet.ini"}));
}

} // namespace
