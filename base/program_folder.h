#pragma once

#include "base/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// Where a program keeps the files it writes. A folder install (a copied folder) keeps them
// beside the executable, as it always has. A system install (/usr/bin with its shipped files
// in /usr/share/NAME) cannot write beside the executable, so it keeps them in a folder of
// the user's, into which the files the operator may edit are copied at the first start.
struct ProgramFolderPlaces {
    std::filesystem::path executableDir; // the folder that holds the executable
    std::string ownFile;                 // a file a folder install has beside the executable
    std::filesystem::path sharedFiles;   // PREFIX/share/NAME, the shipped files of an install
    std::filesystem::path userFolder;    // where a system install keeps the user's files
    std::vector<std::string> userCopies; // shipped files the user gets a copy of, to edit
};

struct ProgramFolder {
    std::filesystem::path folder;       // where the program writes
    std::filesystem::path shippedFiles; // where it finds the files it was shipped with
    bool systemInstall = false;
    bool created = false; // the user's folder was made at this start
    // Problems that do not stop the start, such as a copy that cannot be read.
    std::vector<std::string> warnings;
};

// Picks the folder. A system install is recognised by its shipped files in `sharedFiles`
// and no `ownFile` beside the executable. Fails, before anything is written, when the chosen
// folder exists but cannot be written; the message names the folder and says why.
Result<ProgramFolder> chooseProgramFolder(const ProgramFolderPlaces& places);

// Why nothing can be written into `folder` (not a folder, no permission, a read-only file
// system, a full disk), or nothing when it can. Looks only: it creates no file.
std::optional<std::string> unwritableReason(const std::filesystem::path& folder);

} // namespace quillet
