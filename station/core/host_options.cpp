#include "station/core/host_options.h"

#include "base/windows1252.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace quillet::station {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The name of a "[name]" line, or nullopt.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        return trimmed(line.substr(1, line.size() - 2));
    }
    return std::nullopt;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

} // namespace

HostOptions parseOptionsSection(std::string_view iniText, std::vector<std::string>& problems) {
    HostOptions options;
    bool inSection = false;
    for (const std::string_view line : splitLines(iniText)) {
        if (const auto name = sectionName(line)) {
            inSection = sameWord(*name, kOptionsSection);
            continue;
        }
        const std::string_view content = trimmed(line);
        if (!inSection || content.empty() || content.front() == ';' || content.front() == '#') {
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos) {
            problems.push_back("[Quillet Host]: no \"=\" in \"" + std::string(content) + "\"");
            continue;
        }
        const std::string_view key = trimmed(content.substr(0, equals));
        const std::string value(trimmed(content.substr(equals + 1)));
        if (sameWord(key, "Call")) {
            options.call = value;
        } else if (sameWord(key, "Passcode")) {
            int number = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), number);
            if (error != std::errc() || end != value.data() + value.size()) {
                problems.push_back("[Quillet Host]: the passcode \"" + value +
                                   "\" is not a number");
            } else {
                options.passcode = number;
            }
        } else if (sameWord(key, "KISS")) {
            options.kiss.clear();
            std::string_view rest = value;
            while (!(rest = trimmed(rest)).empty()) {
                const std::size_t blank = rest.find_first_of(" \t");
                options.kiss.emplace_back(rest.substr(0, blank));
                rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank);
            }
        } else if (sameWord(key, "APRS-IS")) {
            options.aprsIs = value;
        } else if (sameWord(key, "Filter")) {
            options.filter = value;
        } else if (sameWord(key, "Map")) {
            options.map = value;
        } else {
            problems.push_back("[Quillet Host]: unknown key \"" + std::string(key) + "\"");
        }
    }
    return options;
}

std::string withOptionsSection(std::string_view iniText, const HostOptions& options) {
    std::string section = "[" + std::string(kOptionsSection) + "]\n";
    const auto put = [&section](std::string_view key, const std::string& value) {
        if (!value.empty()) {
            section.append(key).append("=").append(value).append("\n");
        }
    };
    put("Call", options.call);
    put("Passcode", options.passcode ? std::to_string(*options.passcode) : std::string());
    std::string kiss;
    for (const std::string& link : options.kiss) {
        kiss += (kiss.empty() ? "" : " ") + link;
    }
    put("KISS", kiss);
    put("APRS-IS", options.aprsIs);
    put("Filter", options.filter);
    put("Map", options.map);

    std::string out;
    bool inSection = false;
    bool written = false;
    for (const std::string_view line : splitLines(iniText)) {
        if (const auto name = sectionName(line)) {
            inSection = sameWord(*name, kOptionsSection);
            if (inSection && !written) {
                out += section;
                written = true;
            }
            if (inSection) {
                continue;
            }
        }
        if (!inSection) {
            out.append(line).append("\n");
        }
    }
    if (!written) {
        if (!out.empty() && out != "\n" && !out.ends_with("\n\n")) {
            out += "\n";
        }
        out += section;
    }
    return out;
}

HostOptions merged(HostOptions earlier, const HostOptions& later) {
    if (!later.call.empty()) {
        earlier.call = later.call;
    }
    if (later.passcode) {
        earlier.passcode = later.passcode;
    }
    if (!later.kiss.empty()) {
        earlier.kiss = later.kiss;
    }
    if (!later.aprsIs.empty()) {
        earlier.aprsIs = later.aprsIs;
    }
    if (!later.filter.empty()) {
        earlier.filter = later.filter;
    }
    if (!later.map.empty()) {
        earlier.map = later.map;
    }
    return earlier;
}

namespace {

// Options are UTF-8. Besides C0 and DEL, the C1 controls (U+0080-U+009F) and the line and
// paragraph separators U+2028 and U+2029 end a line for some readers of the login or the file.
bool holdsControl(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const std::size_t length = decodeUtf8At(text, i, code);
        if (length == 0) {
            ++i; // not UTF-8: a byte of a file name, say, which the file keeps as it is
            continue;
        }
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029) {
            return true;
        }
        i += length;
    }
    return false;
}

bool holdsBlankOrControl(std::string_view text) {
    return holdsControl(text) || text.find(' ') != std::string_view::npos;
}

} // namespace

Result<Endpoint> parseEndpoint(std::string_view text, std::uint16_t defaultPort) {
    text = trimmed(text);
    if (holdsBlankOrControl(text)) {
        return fail("\"" + std::string(text) + "\" holds a blank or a control character");
    }
    Endpoint endpoint{std::string(text), defaultPort};
    std::string_view portText;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return fail("\"" + std::string(text) + "\" lacks its \"]\"");
        }
        endpoint.host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (rest.starts_with(':')) {
            portText = rest.substr(1);
        } else if (!rest.empty()) {
            return fail("\"" + std::string(text) + "\" is not HOST:PORT");
        }
    } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        if (text.find(':', colon + 1) != std::string_view::npos) {
            return fail("\"" + std::string(text) +
                        "\" is not HOST:PORT (an IPv6 address goes in brackets: [::1]:8001)");
        }
        endpoint.host = std::string(text.substr(0, colon));
        portText = text.substr(colon + 1);
    }
    if (endpoint.host.empty()) {
        return fail("\"" + std::string(text) + "\" names no host");
    }
    if (!portText.empty() || text.ends_with(':')) {
        unsigned port = 0;
        const auto [end, error] =
            std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port == 0 ||
            port > 65535) {
            return fail("\"" + std::string(portText) + "\" is not a TCP port (1 to 65535)");
        }
        endpoint.port = static_cast<std::uint16_t>(port);
    }
    return endpoint;
}

Status checkOptions(const HostOptions& options) {
    if (holdsBlankOrControl(options.call)) {
        return fail("--call \"" + options.call + "\" holds a blank or a control character");
    }
    for (const std::string& link : options.kiss) {
        if (const auto endpoint = parseEndpoint(link, 8001); !endpoint) {
            return fail("--kiss " + link + ": " + endpoint.error());
        }
    }
    if (!options.aprsIs.empty()) {
        if (const auto endpoint = parseEndpoint(options.aprsIs, 14580); !endpoint) {
            return fail("--aprs-is " + options.aprsIs + ": " + endpoint.error());
        }
    }
    // A line end in the filter would add a line of its own to the login, and to the file.
    if (holdsControl(options.filter)) {
        return fail("--filter holds a control character (a line end?)");
    }
    if (holdsControl(options.map)) {
        return fail("--map holds a control character");
    }
    return {};
}

} // namespace quillet::station
