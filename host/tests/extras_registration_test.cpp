#include "host/extras_registration.h"
#include "host/fake_host_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quillet {
namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

// A fresh folder per test that plays the host's program folder.
class ExtrasRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quillet-host-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_hostDir = pattern;
        m_host.folder = m_hostDir.string() + "/";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_hostDir, ignored);
    }

    fs::path extrasFile() const { return m_hostDir / "QUILLET.XTR"; }
    std::optional<std::string> registerFrom(const fs::path& programDir = "/opt/quillet/bin") {
        return registerExtra(m_host, programDir, "quillet");
    }

    fs::path m_hostDir;
    FakeHostSettings m_host;
};

TEST_F(ExtrasRegistrationTest, WithoutAProgramFolderNothingIsWritten) {
    m_host.folder.clear();
    EXPECT_EQ(registerFrom(), std::nullopt);
    EXPECT_TRUE(fs::is_empty(m_hostDir));
}

TEST_F(ExtrasRegistrationTest, WritesTheFourLinesWithCrLfIntoTheFolder) {
    // A value edited by hand may lack the closing separator; the file still goes inside.
    for (const std::string& folder : {m_hostDir.string() + "/", m_hostDir.string()}) {
        m_host.folder = folder;
        fs::remove(extrasFile());
        EXPECT_EQ(registerFrom("/opt/Quillet Apps"), std::nullopt);
        EXPECT_EQ(readBytes(extrasFile()), "Quillet\r\n"
                                           "\"/opt/Quillet Apps/quillet\"\r\n"
                                           "True\r\n"
                                           "True\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(m_hostDir), fs::directory_iterator()), 1);
    }
}

TEST_F(ExtrasRegistrationTest, AnythingAlreadyThereIsNeverReadOrRewritten) {
    writeBytes(extrasFile(), "Quillet\r\n\"/elsewhere/quillet\"\r\nFalse\r\n");
    const auto before = fs::last_write_time(extrasFile());
    EXPECT_EQ(registerFrom(), std::nullopt);
    EXPECT_EQ(readBytes(extrasFile()), "Quillet\r\n\"/elsewhere/quillet\"\r\nFalse\r\n");
    EXPECT_EQ(fs::last_write_time(extrasFile()), before);

    // A dangling link is not followed: that would create a file somewhere else.
    fs::remove(extrasFile());
    fs::create_symlink(m_hostDir / "elsewhere.txt", extrasFile());
    EXPECT_EQ(registerFrom(), std::nullopt);
    EXPECT_FALSE(fs::exists(m_hostDir / "elsewhere.txt"));
}

TEST_F(ExtrasRegistrationTest, NamesAreConvertedBetweenWindows1252AndTheFileSystem) {
    // The host's folder comes as Windows-1252 ("Küste" with 0xFC); on disk it is UTF-8.
    const fs::path utf8Folder = m_hostDir / "K\xC3\xBCste";
    fs::create_directory(utf8Folder);
    m_host.folder = m_hostDir.string() + "/K\xFCste/";
    // Line 2 is Windows-1252, as the host reads it.
    EXPECT_EQ(registerFrom(m_hostDir / "Caf\xC3\xA9"), std::nullopt);
    EXPECT_EQ(readBytes(utf8Folder / "QUILLET.XTR"),
              "Quillet\r\n\"" + m_hostDir.string() + "/Caf\xE9/quillet\"\r\nTrue\r\nTrue\r\n");
}

TEST_F(ExtrasRegistrationTest, AFolderThatCannotBeWrittenGivesAnErrorLineAndNoFile) {
    // Root may write anywhere, so the folder is made impossible rather than forbidden: below
    // a regular file, or not there at all.
    writeBytes(m_hostDir / "plain-file", "x");
    for (const std::string& folder :
         {m_hostDir.string() + "/plain-file/host/", m_hostDir.string() + "/no-such-folder/"}) {
        m_host.folder = folder;
        const auto error = registerFrom();
        ASSERT_TRUE(error.has_value()) << folder;
        EXPECT_NE(error->find(folder + "QUILLET.XTR"), std::string::npos) << *error;
        EXPECT_NE(error->find("Not registered with the host"), std::string::npos) << *error;
    }
    EXPECT_FALSE(fs::exists(m_hostDir / "no-such-folder"));
}

} // namespace
} // namespace quillet
