#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet::aprs {

// The APRS-IS passcode of a callsign: the published hash of the call without SSID,
// upper-cased. Servers accept packets only from a login with the right passcode.
int passcode(std::string_view callsign);

// "user CALL pass N vers NAME VER filter EXPR\r\n"; without " filter ..." when the filter is
// empty.
std::string loginLine(std::string_view call, int passcode, std::string_view software,
                      std::string_view version, std::string_view filter);

// The server's answer to the login.
struct LoginResponse {
    bool verified = false;
    std::string server;

    bool operator==(const LoginResponse&) const = default;
};

// "# logresp CALL verified, server T2X"; std::nullopt for any other line.
std::optional<LoginResponse> parseLogResp(std::string_view line);

} // namespace quillet::aprs
