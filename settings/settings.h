#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::int16_t kDefaultWebpageUpdateMinutes = 10;

// The publishing settings, read once from the settings file: texts as the file holds them,
// switches and the interval as the loader understood them. Nothing writes this record back:
// the file changes one key at a time, from what the operator set.
struct Settings {
    std::string ftpHost;
    std::string ftpUserName;
    std::string ftpPassword; // plain; the file holds it scrambled
    bool ftpEnabled = false;
    std::string ftpDirectory;
    std::int16_t webpageUpdateMinutes = kDefaultWebpageUpdateMinutes; // zero or less: every tick
    bool autoCopyEnabled = false;
    std::string copyToDirectory;
    std::string htmlFileName;
    // A PEM certificate that FTPS trusts besides the system's; only ever set by hand.
    std::string ftpCaFile;
    bool notifyNewBulletins = true; // set only in the file
    // The published page's own address, for the feeds' self links; set only in the file.
    std::string pageUrl;
    bool publishOnChange = true;    // on unless the file says otherwise
    bool useDesktopColours = false; // for high-contrast themes; the house colours otherwise

    bool operator==(const Settings&) const = default;
};

// The keys as they begin a line of the file, "=" included; changeConfig takes them this way.
inline constexpr std::string_view kFtpHostKey = "FTP_HOST=";
inline constexpr std::string_view kFtpUserNameKey = "FTP_USERNAME=";
inline constexpr std::string_view kFtpPasswordKey = "FTP_PASSWORD=";
inline constexpr std::string_view kFtpEnabledKey = "FTP_ENABLED=";
inline constexpr std::string_view kFtpDirectoryKey = "FTP_DIRECTORY=";
inline constexpr std::string_view kWebpageUpdateEveryKey = "WEBPAGE_UPDATE_EVERY=";
inline constexpr std::string_view kAutoCopyEnabledKey = "AUTO_COPY_ENABLED=";
inline constexpr std::string_view kCopyToDirectoryKey = "COPY_TO_DIRECTORY=";
inline constexpr std::string_view kHtmlFileNameKey = "HTML_FILENAME=";
inline constexpr std::string_view kFtpCaFileKey = "FTP_CA_FILE=";
inline constexpr std::string_view kNotifyNewBulletinsKey = "NOTIFY_NEW_BULLETINS=";
inline constexpr std::string_view kPageUrlKey = "PAGE_URL=";
inline constexpr std::string_view kPublishOnChangeKey = "PUBLISH_ON_CHANGE=";
inline constexpr std::string_view kUseDesktopColoursKey = "USE_DESKTOP_COLOURS=";

// "localhost" names the local machine everywhere without tying the default to an address.
inline constexpr std::string_view kDefaultFtpHost = "localhost";
// A share that exists nowhere: copying is off by default, and the operator replaces this in
// the Setup window before turning it on.
inline constexpr std::string_view kDefaultCopyToDirectory = "//server/share/quillet";

inline Settings settingDefaults() {
    return Settings{
        .ftpHost = std::string(kDefaultFtpHost),
        .ftpUserName = "",
        .ftpPassword = "",
        .ftpEnabled = false,
        .ftpDirectory = "",
        .webpageUpdateMinutes = kDefaultWebpageUpdateMinutes,
        .autoCopyEnabled = false,
        .copyToDirectory = std::string(kDefaultCopyToDirectory),
        .htmlFileName = "quillet.htm",
        .ftpCaFile = "",
        .notifyNewBulletins = true,
        .pageUrl = "",
        .publishOnChange = true,
        .useDesktopColours = false,
    };
}

} // namespace quillet
