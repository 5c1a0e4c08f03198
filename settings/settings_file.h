#pragma once

#include "base/result.h"
#include "settings/scrambler.h"
#include "settings/settings.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kSettingsFileName = "quillet.ini";

// Resets `settings` to the defaults and reads `dir`/quillet.ini over them, unscrambling the
// password. A failure is one English line for the status line; the settings then hold the
// values they had and no existing file has been lost or damaged. When there is no file, creates it
// holding the one line "FTP_HOST=" plus the default host, and the defaults apply.
Status loadSettings(const std::filesystem::path& dir, const Scrambler& scrambler,
                    Settings& settings);

// Sets one key in `dir`/quillet.ini and reloads `settings` from the new file. `key` comes with
// its "=" ("FTP_HOST="); `value` is stored with every "," as "|" and, when `upCase` is set, in
// upper case; the caller scrambles a password beforehand. Every line holding the key becomes
// key + value, and the key is appended when no line held it; all other lines stay as they
// are. A file that has disappeared since start-up is made anew.
Status changeConfig(const std::filesystem::path& dir, std::string_view key, std::string_view value,
                    bool upCase, const Scrambler& scrambler, Settings& settings);

} // namespace quillet
