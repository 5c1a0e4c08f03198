#include "base/program_folder.h"

#include "base/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillet {

namespace fs = std::filesystem;

namespace {

bool isThere(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

// Makes the user's folder and whatever is missing above it. The folder itself is private:
// the settings it will hold carry the FTP password.
Status makeUserFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    if (!error && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = std::error_code(errno, std::generic_category());
    }
    if (error) {
        return fail("cannot make the program folder " + folder.string() + ": " + error.message());
    }
    return {};
}

std::string cannotWrite(const fs::path& folder, const std::string& reason) {
    return "cannot write to the program folder " + folder.string() + ": " + reason +
           "; nothing was changed";
}

// Copies a shipped file the operator may edit; one already there is theirs and stays. The
// copy appears whole or not at all (a full disk leaves nothing behind for the next start to
// take for an edit), so an empty file can only be what an older, interrupted copy left, and
// is copied over.
std::optional<std::string> copyOnce(const fs::path& from, const fs::path& to) {
    std::error_code error;
    const bool empty =
        fs::is_regular_file(fs::symlink_status(to, error)) && fs::file_size(to, error) == 0;
    if (isThere(to) && !empty) {
        if (::faccessat(AT_FDCWD, to.c_str(), R_OK, AT_EACCESS) != 0) {
            return to.string() + " cannot be read (" + std::strerror(errno) + ")";
        }
        return std::nullopt;
    }
    const std::string copying = "cannot copy " + from.string() + " to " + to.string();
    const auto shipped = readFile(from);
    if (!shipped || !*shipped) {
        return copying + " (" + (shipped ? std::strerror(ENOENT) : shipped.error()) + ")";
    }
    // Written under a temporary name and renamed, readable and writable by the owner only.
    if (const Status copied = replaceFile(to, **shipped); !copied) {
        return copying + ": " + copied.error() + "; the next start tries again";
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> unwritableReason(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return "it is not a folder";
    }
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return std::strerror(errno);
    }
    struct statvfs disk {};
    if (::statvfs(folder.c_str(), &disk) == 0 && disk.f_bavail == 0) {
        return "the disk is full";
    }
    return std::nullopt;
}

Result<ProgramFolder> chooseProgramFolder(const ProgramFolderPlaces& places) {
    ProgramFolder chosen;
    chosen.systemInstall = !isThere(places.executableDir / places.ownFile) &&
                           isThere(places.sharedFiles / places.ownFile);
    if (!chosen.systemInstall) {
        chosen.folder = places.executableDir;
        chosen.shippedFiles = places.executableDir;
        if (const auto reason = unwritableReason(chosen.folder)) {
            return fail(cannotWrite(chosen.folder, *reason));
        }
        return chosen;
    }
    chosen.folder = places.userFolder;
    chosen.shippedFiles = places.sharedFiles;
    if (!isThere(chosen.folder)) {
        if (Status made = makeUserFolder(chosen.folder); !made) {
            return fail(made.error());
        }
        chosen.created = true;
    } else if (const auto reason = unwritableReason(chosen.folder)) {
        return fail(cannotWrite(chosen.folder, *reason));
    }
    for (const std::string& name : places.userCopies) {
        if (auto problem = copyOnce(places.sharedFiles / name, chosen.folder / name)) {
            chosen.warnings.push_back(std::move(*problem));
        }
    }
    return chosen;
}

} // namespace quillet
