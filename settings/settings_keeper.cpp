#include "settings/settings_keeper.h"

#include "settings/settings_file.h"

namespace quillet {

SettingsKeeper::SettingsKeeper(std::filesystem::path dir)
    : m_dir(std::move(dir)), m_settings(settingDefaults()) {}

Status SettingsKeeper::load() {
    m_scrambler.initScrambleOffsets();
    return loadSettings(m_dir, m_scrambler, m_settings);
}

Status SettingsKeeper::changeConfig(std::string_view key, std::string_view value, bool upCase) {
    return quillet::changeConfig(m_dir, key, value, upCase, m_scrambler, m_settings);
}

} // namespace quillet
