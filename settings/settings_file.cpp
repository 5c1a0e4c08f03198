#include "settings/settings_file.h"

#include "base/files.h"
#include "base/windows1252.h"
#include "settings/settings_size_limit.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace quillet {

namespace {

bool isSwitchOn(std::string_view text) {
    return text == "TRUE";
}

// Each key and how its value (bars already turned into commas) goes into the record.
struct KeyField {
    std::string_view key;
    void (*store)(Settings&, std::string);
};

constexpr std::array<KeyField, 14> kKeyFields{{
    {kCopyToDirectoryKey, [](Settings& s, std::string v) { s.copyToDirectory = std::move(v); }},
    {kAutoCopyEnabledKey, [](Settings& s, std::string v) { s.autoCopyEnabled = isSwitchOn(v); }},
    {kFtpHostKey, [](Settings& s, std::string v) { s.ftpHost = std::move(v); }},
    {kFtpUserNameKey, [](Settings& s, std::string v) { s.ftpUserName = std::move(v); }},
    {kFtpPasswordKey, [](Settings& s, std::string v) { s.ftpPassword = std::move(v); }},
    {kFtpEnabledKey, [](Settings& s, std::string v) { s.ftpEnabled = isSwitchOn(v); }},
    {kFtpDirectoryKey, [](Settings& s, std::string v) { s.ftpDirectory = std::move(v); }},
    {kHtmlFileNameKey, [](Settings& s, std::string v) { s.htmlFileName = std::move(v); }},
    {kWebpageUpdateEveryKey,
     [](Settings& s, std::string v) { s.webpageUpdateMinutes = updateMinutesFromText(v); }},
    {kFtpCaFileKey, [](Settings& s, std::string v) { s.ftpCaFile = std::move(v); }},
    {kNotifyNewBulletinsKey,
     [](Settings& s, std::string v) { s.notifyNewBulletins = isSwitchOn(v); }},
    {kPageUrlKey, [](Settings& s, std::string v) { s.pageUrl = std::move(v); }},
    {kPublishOnChangeKey, [](Settings& s, std::string v) { s.publishOnChange = isSwitchOn(v); }},
    {kUseDesktopColoursKey,
     [](Settings& s, std::string v) { s.useDesktopColours = isSwitchOn(v); }},
}};

struct SettingsPaths {
    std::filesystem::path file;
    std::filesystem::path temp;
};

// The settings file may be a link into the operator's own configuration tree; the rewrite
// then replaces the file it points to and leaves the link in place. The temporary file has a
// name of its own, apart from "quillet.tmp", which holds the page staged for publishing.
SettingsPaths settingsPaths(const std::filesystem::path& dir) {
    std::filesystem::path file = dir / kSettingsFileName;
    std::error_code error;
    if (std::filesystem::is_symlink(file, error)) {
        auto target = std::filesystem::canonical(file, error);
        if (!error) {
            file = std::move(target);
        }
    }
    std::filesystem::path temp = file;
    temp += ".new";
    return {std::move(file), std::move(temp)};
}

// A line ends at CR LF, at a lone CR, or at a lone LF: the program writes CR LF, but the file
// is there to be edited by hand, and editors on Linux end lines with LF. A last line without
// an end still counts; an empty file has no lines.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
    return lines;
}

void readLine(std::string_view raw, const Scrambler& scrambler, Settings& settings) {
    std::string line(raw);
    std::replace(line.begin(), line.end(), '|', ',');
    // A line counts only for the key it begins with. A key text further in (after leading
    // blanks, or inside a value typed into the Setup window) is ignored: any other reading
    // would take some arbitrary cut of the line as that key's value.
    for (const KeyField& entry : kKeyFields) {
        if (line.starts_with(entry.key)) {
            const std::string_view value = std::string_view(line).substr(entry.key.size());
            entry.store(settings, entry.key == kFtpPasswordKey ? scrambler.decrypt(value)
                                                               : std::string(value));
        }
    }
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

std::int16_t updateMinutesFromText(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return kDefaultWebpageUpdateMinutes;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Plain decimals only: digits with an optional fraction; no exponent, no "inf".
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos) {
        return kDefaultWebpageUpdateMinutes;
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size()) {
        return kDefaultWebpageUpdateMinutes;
    }
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double rounded = std::nearbyint(negative ? -value : value);
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max()) {
        return kDefaultWebpageUpdateMinutes;
    }
    return static_cast<std::int16_t>(rounded);
}

Status loadSettings(const std::filesystem::path& dir, const Scrambler& scrambler,
                    Settings& settings) {
    const SettingsPaths paths = settingsPaths(dir);
    const auto read = readFile(paths.file, kSettingsFileLimit);
    if (!read) {
        return fail("Settings not loaded: " + cannotRead(paths.file, read.error()));
    }
    if (!*read) {
        // The file will hold the FTP password: a new one is readable by its owner only.
        const std::string firstLine = std::string(kFtpHostKey) + std::string(kDefaultFtpHost);
        if (const Status written =
                replaceFile(paths.file, firstLine + "\r\n", paths.temp, NewFileAccess::ownerOnly);
            !written) {
            return fail("Settings not loaded: " + written.error());
        }
        settings = settingDefaults();
        return {};
    }
    // Filled apart and handed over whole, so that a failure never leaves a half-read record.
    Settings loaded = settingDefaults();
    for (const std::string_view line : splitLines(**read)) {
        readLine(line, scrambler, loaded);
    }
    settings = std::move(loaded);
    return {};
}

Status changeConfig(const std::filesystem::path& dir, std::string_view key, std::string_view value,
                    bool upCase, const Scrambler& scrambler, Settings& settings) {
    // An empty key would match every line, and a line break would smuggle extra lines in.
    if (key.empty() || holdsLineBreak(key)) {
        return fail("Setting not saved: no valid key given");
    }
    const std::string name(key.substr(0, key.find('=')));
    if (holdsLineBreak(value)) {
        return fail("Setting " + name + " not saved: the value holds a line break");
    }

    std::string stored(value);
    std::replace(stored.begin(), stored.end(), ',', '|');
    if (upCase) {
        stored = toUpperWindows1252(stored);
    }
    const std::string keyLine = std::string(key) + stored + "\r\n";

    const SettingsPaths paths = settingsPaths(dir);
    const auto read = readFile(paths.file, kSettingsFileLimit);
    if (!read) {
        return fail("Setting " + name + " not saved: " + cannotRead(paths.file, read.error()));
    }
    // A missing file reads as an empty one, so the key is written into a new file.
    const std::string old = read->value_or(std::string());
    std::string content;
    content.reserve(old.size() + keyLine.size() + 64);
    bool found = false;
    for (const std::string_view line : splitLines(old)) {
        // The key is looked for anywhere in the line, so a hand-edited key line with leading
        // blanks is replaced as well; every other line goes over byte for byte.
        if (line.find(key) != std::string_view::npos) {
            content += keyLine;
            found = true;
        } else {
            content.append(line).append("\r\n");
        }
    }
    if (!found) {
        content += keyLine;
    }
    if (const Status written =
            replaceFile(paths.file, content, paths.temp, NewFileAccess::ownerOnly);
        !written) {
        return fail("Setting " + name + " not saved: " + written.error());
    }
    return loadSettings(dir, scrambler, settings);
}

} // namespace quillet
