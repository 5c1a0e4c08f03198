#pragma once

#include "base/result.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Whole-file access for small files that a user or another program may have replaced with
// something else, and that must never be left half written.

// No file either program reads whole comes near this; one that does is a mistake and is not
// taken into memory.
inline constexpr std::size_t kLargestFileRead = 16u << 20;

// Reads a regular file whole. It is opened without blocking, so a FIFO under the name never
// waits for a writer; anything but a regular file (a FIFO, a device, a directory) fails at
// once, and so does a file larger than `maxBytes`, before a byte of it is read. A missing file
// is std::nullopt inside a successful result. A failure holds the reason alone ("Permission
// denied", "not a regular file", "larger than 65536 bytes"), for the caller's own sentence.
Result<std::optional<std::string>> readFile(const std::filesystem::path& file,
                                            std::size_t maxBytes = kLargestFileRead);

// The usual sentence for a failed read: "cannot read quillet.ini (Permission denied)".
std::string cannotRead(const std::filesystem::path& file, std::string_view reason);

// Writes `content` to a fresh temporary file beside `target` (named `temp`, or a unique name
// when `temp` is empty), forces it to disk and renames it over `target`: the target is either
// the old or the new file, never a mix, and a link or a FIFO under its name is replaced, not
// written through. The temporary file is created exclusively, so never through a link planted
// under its name. On failure the target is untouched and the temporary file is gone. A
// replaced file keeps its permission bits, since it may hold a password the operator chose to
// keep private; a new file is the owner's alone with `ownerOnly` (it will hold a password) or
// under a made-up temporary name, otherwise as the umask allows. Failures read "cannot write
// quillet.ini.new (No space left on device)", naming the target itself where the temporary
// name was made up.
enum class NewFileAccess { asUmaskAllows, ownerOnly };
Status replaceFile(const std::filesystem::path& target, std::string_view content,
                   const std::filesystem::path& temp = {},
                   NewFileAccess access = NewFileAccess::asUmaskAllows);

// Adds whole lines at the end of a file, creating it when missing. A failed write is cut back
// off, so the file never ends in part of a line unless the machine itself stops in the middle.
// Only a regular file with no other link is appended to: a symbolic link, a hard link, a FIFO
// or a device under the name fails at once (a whole replace then puts a file in its place).
Status appendToFile(const std::filesystem::path& file, std::string_view lines);

} // namespace quillet
