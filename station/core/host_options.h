#pragma once

#include "base/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::station {

// What the host is started with. Empty fields were not given.
struct HostOptions {
    std::string call;
    std::optional<int> passcode;
    std::vector<std::string> kiss; // HOST:PORT of each TNC, in port order
    std::string aprsIs;            // HOST:PORT of the APRS-IS server
    std::string filter;
    std::string map;

    bool hasLinks() const { return !kiss.empty() || !aprsIs.empty(); }
    bool operator==(const HostOptions&) const = default;
};

// The section of the host's settings file that keeps the options:
//
//     [Quillet Host]
//     Call=N0CALL
//     Passcode=13023
//     KISS=localhost:8001 radio2:8001
//     APRS-IS=rotate.aprs2.net:14580
//     Filter=g/BLN*
//     Map=/home/me/maps/local.gif
inline constexpr std::string_view kOptionsSection = "Quillet Host";

// The options kept in the settings file's text; keys and the section name match without
// regard to case. A line that makes no sense is reported in `problems` and skipped.
HostOptions parseOptionsSection(std::string_view iniText, std::vector<std::string>& problems);

// The settings file's text with the options section replaced (or added at the end), every
// other line kept as it was.
std::string withOptionsSection(std::string_view iniText, const HostOptions& options);

// Options given later (the command line) win over earlier ones (the settings file); a later
// list of KISS links replaces the earlier list whole.
HostOptions merged(HostOptions earlier, const HostOptions& later);

struct Endpoint {
    std::string host;
    std::uint16_t port = 0;
};

// "HOST:PORT", "HOST" (the default port), "[::1]:8001". A port is 1 to 65535; a host holds
// no blank, no control character and, unless in brackets, no ":".
Result<Endpoint> parseEndpoint(std::string_view text, std::uint16_t defaultPort);

// Whether the options can be used and kept: every link a usable HOST:PORT, a callsign without
// blanks, and no control characters anywhere (a line end would split the settings file and
// add a line to the APRS-IS login). The failure names the option.
Status checkOptions(const HostOptions& options);

} // namespace quillet::station
