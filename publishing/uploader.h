#pragma once

#include "base/result.h"

#include <filesystem>
#include <string>

namespace quillet {

// The server a run uploads to and the login there.
struct UploadTarget {
    // "name" or "name:port", optionally after "ftp://", "ftps://" or "sftp://"; without a port
    // the scheme's standard port applies.
    std::string host;
    std::string user;
    std::string password;
    std::string caFile; // a PEM certificate that FTPS trusts besides the system's; empty for none
};

// Carries one publishing run's files to the server. The steps run on the calling thread and
// return when they have ended; between open and close they share one connection, which the
// first step that needs it makes. A failed step says which step it was and why, in one line
// for the status line.
class Uploader {
public:
    virtual ~Uploader() = default;

    // Starts a run to `target`; nothing is connected yet.
    virtual Status open(const UploadTarget& target) = 0;
    // The folder the following puts write into: relative to the login folder unless it
    // starts with "/".
    virtual Status enterFolder(const std::string& folder) = 0;
    // Writes the bytes of `localFile` as `remoteName` into the folder entered last.
    virtual Status put(const std::filesystem::path& localFile, const std::string& remoteName) = 0;
    // Ends the run and its connection. What the server says to the goodbye changes nothing
    // that was uploaded, so nothing is reported.
    virtual void close() = 0;
};

} // namespace quillet
