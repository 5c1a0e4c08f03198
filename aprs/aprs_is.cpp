#include "aprs/aprs_is.h"

namespace quillet::aprs {

int passcode(std::string_view callsign) {
    // The hash every APRS-IS server checks: two bytes at a time XORed into a 15-bit seed.
    unsigned hash = 0x73E2;
    const auto dash = callsign.find('-');
    const std::string_view call = callsign.substr(0, dash);
    for (std::size_t i = 0; i < call.size(); i += 2) {
        auto upper = [](char c) {
            return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        };
        hash ^= static_cast<unsigned>(upper(call[i])) << 8;
        if (i + 1 < call.size()) {
            hash ^= upper(call[i + 1]);
        }
    }
    return static_cast<int>(hash & 0x7FFF);
}

std::string loginLine(std::string_view call, int passcode, std::string_view software,
                      std::string_view version, std::string_view filter) {
    std::string line = "user ";
    line += call;
    line += " pass ";
    line += std::to_string(passcode);
    line += " vers ";
    line += software;
    line += ' ';
    line += version;
    if (!filter.empty()) {
        line += " filter ";
        line += filter;
    }
    line += "\r\n";
    return line;
}

std::optional<LoginResponse> parseLogResp(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    constexpr std::string_view kPrefix = "# logresp ";
    if (!line.starts_with(kPrefix)) {
        return std::nullopt;
    }
    line.remove_prefix(kPrefix.size());
    const auto afterCall = line.find(' ');
    if (afterCall == std::string_view::npos) {
        return std::nullopt;
    }
    line.remove_prefix(afterCall + 1);
    LoginResponse response;
    const auto wordEnd = line.find_first_of(", ");
    const std::string_view word = line.substr(0, wordEnd);
    if (word == "verified") {
        response.verified = true;
    } else if (word != "unverified") {
        return std::nullopt;
    }
    constexpr std::string_view kServer = "server ";
    const auto server = line.find(kServer);
    if (server != std::string_view::npos) {
        const std::string_view name = line.substr(server + kServer.size());
        response.server.assign(name.substr(0, name.find(' ')));
    }
    return response;
}

} // namespace quillet::aprs
