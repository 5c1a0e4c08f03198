#pragma once

#include "base/result.h"
#include "publishing/uploader.h"
#include "settings/settings.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kScriptSourceFileName = "quillet.js1";
inline constexpr std::string_view kStagedPageName = "quillet.tmp";
inline constexpr std::string_view kStagedScriptName = "quillet.js";

// Copies `from` over `to`. The bytes go to a temporary file beside `to`, reach the disk and
// are then renamed into place, so a full disk or any other failure leaves the old `to`
// whole and no temporary file behind.
Status copyFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Publishes the page that generateWebpage has just written, with its script beside it:
// stages both under fixed names, copies them into `copyToDirectory` when copying is on, and
// uploads them through `uploader` when the upload is on, on the calling thread. A page name
// with a folder in it, or a host that is more than a host, stops the run before anything is
// written. The first step that fails stops the run with its description.
//
// The staged files go to the program directory rather than the directory the process was
// started in: that one may be read-only or shared with another program, while the program
// directory is where the page was just written, so it is known to be writable and ours.
// The settings rewrite uses its own temporary name, so it never touches a staged file.
Status deliverWebpage(const std::filesystem::path& programDir, const Settings& settings,
                      Uploader& uploader);

} // namespace quillet
