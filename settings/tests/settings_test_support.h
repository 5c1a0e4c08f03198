#pragma once

#include "settings/scrambler.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillet::testing {

namespace fs = std::filesystem;

inline void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sorted names in a directory, to show that no temporary file stayed behind.
inline std::vector<std::string> entryNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `call` with the effective user id of an ordinary user, so that permission bits bite
// also when the tests run as root; false when that cannot be done.
template <typename Call> bool asOrdinaryUser(Call call) {
    const bool root = ::geteuid() == 0;
    if (root && ::seteuid(65534) != 0) {
        return false;
    }
    call();
    if (root) {
        static_cast<void>(::seteuid(0));
    }
    return true;
}

// A fresh program directory per test, with the settings record and scrambler the main window
// would hold.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quillet-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        // Others may enter, so that an ordinary user can reach the files.
        fs::permissions(m_dir, fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_dir, ignored);
    }

    fs::path ini() const { return m_dir / "quillet.ini"; }
    Status load() { return loadSettings(m_dir, m_scrambler, m_settings); }
    Status change(std::string_view key, std::string_view value, bool upCase = false) {
        return changeConfig(m_dir, key, value, upCase, m_scrambler, m_settings);
    }

    fs::path m_dir;
    Scrambler m_scrambler;
    Settings m_settings = settingDefaults();
};

} // namespace quillet::testing
