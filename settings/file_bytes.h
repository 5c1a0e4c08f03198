#pragma once

#include "base/regular_file.h"
#include "base/result.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

// Whole-file byte access for small files that must never be left half written.
// Failures come back as a short English phrase naming the file and the system's reason,
// such as "cannot read quillet.ini (Permission denied)".

// No file the program reads whole (its settings, the page's template, the page itself) comes
// near this; one that does is a mistake and is not taken into memory.
inline constexpr std::size_t kLargestFileRead = 16u << 20;

// Reads a regular file whole (see readRegularFile); a failure's `error` names the file.
// Anything else under that name (a directory, a pipe, a device) is a failure, so that a pipe
// cannot block the program.
FileRead readFileBytes(const std::filesystem::path& file, std::size_t maxBytes = kLargestFileRead);

// Writes `content` under `temp`, forces it to disk and renames it over `target`; `temp` must
// lie in the same directory. The target is thus either the old or the new file, never a mix.
// On failure the target is untouched and the temporary file is gone. A replaced file keeps
// its permission bits, since it may hold a password the operator chose to keep private.
Status replaceFileBytes(const std::filesystem::path& target, const std::filesystem::path& temp,
                        std::string_view content);

} // namespace quillet
