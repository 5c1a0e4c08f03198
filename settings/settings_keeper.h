#pragma once

#include "base/result.h"
#include "settings/scrambler.h"
#include "settings/settings.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

// The owner of the settings file beside the program: loads it, rewrites one key of it and
// reloads, and keeps the scrambler for the password. The windows read the settings here.
class SettingsKeeper {
public:
    explicit SettingsKeeper(std::filesystem::path dir);

    // The defaults, then the file over them (created when missing). A failure leaves the
    // defaults in place.
    Status load();
    // Sets one key ("FTP_HOST=" with its "=") and reloads; a failure leaves file and settings
    // as they were.
    Status changeConfig(std::string_view key, std::string_view value, bool upCase);

    const Settings& settings() const { return m_settings; }
    std::string encrypt(std::string_view text) const { return m_scrambler.encrypt(text); }
    std::string decrypt(std::string_view text) const { return m_scrambler.decrypt(text); }

private:
    std::filesystem::path m_dir;
    Scrambler m_scrambler;
    Settings m_settings;
};

} // namespace quillet
