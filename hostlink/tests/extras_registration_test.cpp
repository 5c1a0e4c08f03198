#include "base/tests/test_files.h"
#include "hostlink/extras_registration.h"
#include "testsupport/fake_host_settings.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

// A fresh folder per test that plays the host's program folder.
class ExtrasRegistrationTest : public ::testing::Test {
protected:
    Status registerIn(const std::string& folder, const fs::path& programDir = "/opt/q") {
        m_host.folder = folder;
        return registerExtra(m_host, programDir, "quillet");
    }

    testing::TempDir m_temp;
    const fs::path& m_hostDir = m_temp.path();
    FakeHostSettings m_host;
};

TEST_F(ExtrasRegistrationTest, WritesTheFourLinesOnceOnlyWithAFolderInFileSystemNames) {
    EXPECT_TRUE(registerIn("").ok());
    EXPECT_TRUE(fs::is_empty(m_hostDir));
    // A value edited by hand may lack the closing separator; the file still goes inside.
    for (const std::string& folder : {m_hostDir.string() + "/", m_hostDir.string()}) {
        fs::remove(m_hostDir / "QUILLET.XTR");
        EXPECT_TRUE(registerIn(folder, "/opt/Quillet Apps").ok());
        EXPECT_EQ(readBytes(m_hostDir / "QUILLET.XTR"),
                  "Quillet\r\n\"/opt/Quillet Apps/quillet\"\r\nTrue\r\nTrue\r\n");
    }
    // Anything already there is never rewritten, a dangling link included: following it
    // would create a file somewhere else.
    EXPECT_TRUE(registerIn(m_hostDir.string(), "/elsewhere").ok());
    EXPECT_EQ(readBytes(m_hostDir / "QUILLET.XTR"),
              "Quillet\r\n\"/opt/Quillet Apps/quillet\"\r\nTrue\r\nTrue\r\n");
    fs::remove(m_hostDir / "QUILLET.XTR");
    fs::create_symlink(m_hostDir / "elsewhere.txt", m_hostDir / "QUILLET.XTR");
    EXPECT_TRUE(registerIn(m_hostDir.string()).ok());
    EXPECT_FALSE(fs::exists(m_hostDir / "elsewhere.txt"));
    // The host's folder comes as Windows-1252 ("Küste" with 0xFC); on disk it is UTF-8.
    fs::create_directory(m_hostDir / "K\xC3\xBCste");
    EXPECT_TRUE(registerIn(m_hostDir.string() + "/K\xFCste/", m_hostDir / "Caf\xC3\xA9").ok());
    EXPECT_EQ(readBytes(m_hostDir / "K\xC3\xBCste" / "QUILLET.XTR"),
              "Quillet\r\n\"" + m_hostDir.string() + "/Caf\xE9/quillet\"\r\nTrue\r\nTrue\r\n");
}

TEST_F(ExtrasRegistrationTest, AFolderThatCannotBeWrittenGivesAnErrorLineAndNoFile) {
    // Root may write anywhere, so the folder is made impossible rather than forbidden: below
    // a regular file, or not there at all.
    std::ofstream(m_hostDir / "plain-file") << "x";
    for (const std::string& folder :
         {m_hostDir.string() + "/plain-file/host/", m_hostDir.string() + "/no-such-folder/"}) {
        const Status registered = registerIn(folder);
        EXPECT_EQ(registered.error().rfind(
                      "Not registered with the host: cannot write " + folder + "QUILLET.XTR", 0),
                  0u)
            << registered.error();
    }
    EXPECT_FALSE(fs::exists(m_hostDir / "no-such-folder"));
}

} // namespace
} // namespace quillet
