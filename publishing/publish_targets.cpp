#include "publishing/publish_targets.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quillet {

namespace {

bool isHostNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

bool isIpv6Char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
}

// A setting as the status line may show it: one line, whatever was typed.
std::string shown(std::string_view text) {
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    return out;
}

Failure badHost(std::string_view text, std::string_view why) {
    return fail("FTP_HOST \"" + shown(text) + "\" " + std::string(why) +
                "; write it as host, host:port, ftps://host[:port] or sftp://host[:port]");
}

} // namespace

std::string FtpAddress::authority() const {
    return port == 0 ? host : host + ":" + std::to_string(port);
}

Result<FtpAddress> parseFtpHost(std::string_view text) {
    FtpAddress address;
    std::string_view rest = text;
    constexpr std::array<std::pair<std::string_view, FtpScheme>, 3> kSchemes{{
        {"ftp://", FtpScheme::ftp},
        {"ftps://", FtpScheme::ftps},
        {"sftp://", FtpScheme::sftp},
    }};
    for (const auto& [prefix, scheme] : kSchemes) {
        if (rest.starts_with(prefix)) {
            address.scheme = scheme;
            rest.remove_prefix(prefix.size());
            break;
        }
    }
    if (rest.find("://") != std::string_view::npos) {
        return badHost(text, "has a scheme other than ftp, ftps or sftp");
    }
    while (rest.ends_with('/')) {
        rest.remove_suffix(1);
    }
    if (rest.empty()) {
        return fail(std::string("no FTP host is set"));
    }
    std::string_view port;
    bool hasPort = false;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close == 1 ||
            !std::all_of(rest.begin() + 1, rest.begin() + close, isIpv6Char)) {
            return badHost(text, "has a broken [IPv6] address");
        }
        address.host = std::string(rest.substr(0, close + 1));
        rest.remove_prefix(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return badHost(text, "holds more than a host and a port");
        }
        hasPort = !rest.empty();
        port = hasPort ? rest.substr(1) : rest;
    } else {
        const std::size_t colon = rest.find(':');
        address.host = std::string(rest.substr(0, colon));
        if (colon != std::string_view::npos) {
            hasPort = true;
            port = rest.substr(colon + 1);
        }
        if (address.host.empty() ||
            !std::all_of(address.host.begin(), address.host.end(), isHostNameChar)) {
            return badHost(text, "holds more than a host and a port");
        }
    }
    if (hasPort) {
        const auto [end, error] =
            std::from_chars(port.data(), port.data() + port.size(), address.port);
        if (!std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return badHost(text, "holds more than a host and a port");
        }
        if (port.empty() || error != std::errc() || end != port.data() + port.size() ||
            address.port < 1 || address.port > 65535) {
            return badHost(text, "has a port that is not a number from 1 to 65535");
        }
    }
    return address;
}

Status checkPageFileName(std::string_view name) {
    const bool control = std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string_view::npos || control) {
        return fail("HTML_FILENAME \"" + shown(name) +
                    "\" is not a plain file name; give a name such as index.htm, without a "
                    "folder");
    }
    return {};
}

} // namespace quillet
