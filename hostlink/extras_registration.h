#pragma once

#include "base/result.h"
#include "hostlink/host_settings.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

// The file in the host's program folder through which the host learns of the program.
inline constexpr std::string_view kExtrasFileName = "QUILLET.XTR";

// Makes sure the host's program folder holds the extras file, writing it when it is missing:
// "Quillet", the executable's full path in double quotes, "True", "True", each line ended
// by CR LF, in Windows-1252. An existing file is left as it is, whatever it says.
//
// `programDir` is the directory of the executable and `executableName` its file name, both
// as the file system names them. Nothing happens when the host has no program folder.
// Fails with a line for the status line when the file cannot be written; start-up goes on.
Status registerExtra(const HostSettings& hostSettings, const std::filesystem::path& programDir,
                     const std::string& executableName);

} // namespace quillet
