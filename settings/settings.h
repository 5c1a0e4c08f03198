#pragma once

#include <string>
#include <string_view>

namespace quillet {

// The publishing settings as the settings file holds them: every field is text, and the
// flags and the interval are interpreted only where they are used.
struct Settings {
    std::string ftpHost;
    std::string ftpUserName;
    std::string ftpPassword; // plain; the file holds it scrambled
    std::string ftpEnabled;
    std::string ftpDirectory;
    std::string webpageUpdateEvery; // minutes, as decimal text
    std::string autoCopyEnabled;
    std::string copyToDirectory;
    std::string htmlFileName;
    // A PEM certificate that FTPS trusts besides the system's; only ever set by hand.
    std::string ftpCaFile;
    std::string notifyNewBulletins; // a switch, set only in the file

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
        .ftpEnabled = "FALSE",
        .ftpDirectory = "",
        .webpageUpdateEvery = "10",
        .autoCopyEnabled = "FALSE",
        .copyToDirectory = std::string(kDefaultCopyToDirectory),
        .htmlFileName = "quillet.htm",
        .ftpCaFile = "",
        .notifyNewBulletins = "TRUE",
    };
}

// A flag is on only when it reads exactly "TRUE"; "True", "true" and "" are all off.
inline bool isSwitchOn(std::string_view text) {
    return text == "TRUE";
}

} // namespace quillet
