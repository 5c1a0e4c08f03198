#pragma once

#include "base/result.h"

#include <string>
#include <string_view>

namespace quillet {

// How the page travels to the server named in FTP_HOST.
enum class FtpScheme {
    ftp,  // plain FTP, as without a scheme
    ftps, // FTP with explicit TLS (AUTH TLS) on the control and the data connection
    sftp, // SSH file transfer
};

struct FtpAddress {
    FtpScheme scheme = FtpScheme::ftp;
    std::string host; // a name, an IPv4 address or a bracketed IPv6 address
    int port = 0;     // 0: the scheme's standard port

    // "host" or "host:port", as a URL's authority.
    std::string authority() const;
};

// FTP_HOST is `[ftp://|ftps://|sftp://]host[:port]`, optionally ending in "/": nothing that
// could choose a folder, a user or anything else on the server. Anything more is refused
// with a line that says what is wrong.
Result<FtpAddress> parseFtpHost(std::string_view text);

// HTML_FILENAME names the page inside the copy folder and the FTP folder: a plain file name
// without a path, so that neither "../up.htm" nor "/etc/x" can write elsewhere.
Status checkPageFileName(std::string_view name);

} // namespace quillet
