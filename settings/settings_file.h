#pragma once

#include "base/result.h"
#include "settings/scrambler.h"
#include "settings/settings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kSettingsFileName = "quillet.ini";

// The minutes between publishing runs from the file's text: blanks around the number are
// ignored and a fraction goes to the nearest whole number, a half to the even neighbour
// ("2.5" is 2, "3.5" is 4). Text that is empty, not a decimal number or outside the 16-bit
// range gives the default of 10 minutes, so a mistyped setting still publishes regularly.
// Zero and negative numbers are kept: they publish at every tick.
std::int16_t updateMinutesFromText(std::string_view text);

// Resets `settings` to the defaults and reads `dir`/quillet.ini over them, unscrambling the
// password. A switch is on only when it reads exactly "TRUE": "True", "yes" and "" are all off.
// A failure is one English line for the status line; the settings then hold the
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
