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
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << file;
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

// Drops the effective user id to an ordinary user for its lifetime, so that permission bits
// bite also when the tests run as root; the saved id lets it return to root afterwards.
class AsOrdinaryUser {
public:
    AsOrdinaryUser() : m_wasRoot(::geteuid() == 0) {
        m_active = !m_wasRoot || ::seteuid(65534) == 0;
    }
    ~AsOrdinaryUser() {
        if (m_wasRoot && m_active) {
            static_cast<void>(::seteuid(0));
        }
    }
    bool active() const { return m_active; }

private:
    bool m_wasRoot;
    bool m_active;
};

// A fresh program directory per test, with the settings record and scrambler the main window
// would hold.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quillet-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        // Others may enter, so the tests that drop to an ordinary user can reach the files.
        fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_exec |
                                   fs::perms::group_read | fs::perms::others_exec |
                                   fs::perms::others_read);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_dir, ignored);
    }

    fs::path ini() const { return m_dir / "quillet.ini"; }
    SettingsError load() { return loadSettings(m_dir, m_scrambler, m_settings); }
    SettingsError change(std::string_view key, std::string_view value, bool upCase = false) {
        return changeConfig(m_dir, key, value, upCase, m_scrambler, m_settings);
    }

    fs::path m_dir;
    Scrambler m_scrambler;
    Settings m_settings = settingDefaults();
};

} // namespace quillet::testing
