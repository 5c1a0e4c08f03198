#include "settings/settings_size_limit.h"

#include <string>
#include <system_error>

namespace quillet {

Status checkSettingsFileSize(const std::filesystem::path& file, std::uintmax_t limit) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size <= limit) {
        return {}; // a file that is missing or not a file is the rewrite's to report
    }
    return fail(file.filename().string() + " holds " + std::to_string(size) +
                " bytes, more than a settings file can (" + std::to_string(limit) +
                "); nothing was written to it");
}

} // namespace quillet
