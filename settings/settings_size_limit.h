#pragma once

#include "base/result.h"

#include <cstdint>
#include <filesystem>

namespace quillet {

// A settings file holds a dozen short lines. One far larger is not ours to keep rewriting:
// Setup's OK rewrites and syncs the whole file once per key, which for megabytes would hold
// the window for seconds.
inline constexpr std::uintmax_t kSettingsFileLimit = 64 * 1024;

// Succeeds when `file` is missing or holds at most `limit` bytes; otherwise says how large
// it is.
Status checkSettingsFileSize(const std::filesystem::path& file,
                             std::uintmax_t limit = kSettingsFileLimit);

} // namespace quillet
