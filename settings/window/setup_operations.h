#pragma once

#include "base/result.h"
#include "settings/settings.h"

#include <filesystem>
#include <functional>
#include <string>

namespace quillet {

// What the Setup window may ask of the main window, which owns the settings, the settings
// file and the publishing. Texts are Windows-1252.
class SetupOperations {
public:
    virtual ~SetupOperations() = default;

    // The settings as last loaded from the file.
    virtual const Settings& settings() const = 0;
    // Sets one key of the settings file ("FTP_HOST=" with its "=") and reloads the settings.
    // Fails with the line saying why the file could not be rewritten.
    virtual Status changeConfig(const std::string& key, const std::string& value, bool upCase) = 0;
    // The settings file itself.
    virtual std::filesystem::path settingsFile() const = 0;
    // The password in the scrambled form the file keeps.
    virtual std::string encrypt(const std::string& data) const = 0;
    // One publishing pass from the settings as last loaded. `ended` runs on the window's
    // thread once the pass has ended, with what failed; also when nothing was published
    // because copying and upload are both off or another pass is still under way.
    virtual void webpageAction(std::function<void(const Status& outcome)> ended) = 0;
};

} // namespace quillet
