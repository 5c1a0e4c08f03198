#pragma once

// Reading a running program's processor time and resident memory from /proc.

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

namespace quillet::bench {

// User plus system time, in clock ticks, of all threads of the process described by one
// line of /proc/<pid>/stat. The second field is the command name in parentheses and may
// itself hold blanks and parentheses, so the fields are counted from the last ')'.
inline std::optional<std::uint64_t> processorTicks(const std::string& statLine) {
    const auto close = statLine.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(statLine.substr(close + 1));
    std::string field;
    // After the name come the state (field 3) and ten more before utime (14) and stime (15).
    for (int i = 3; i < 14; ++i) {
        if (!(fields >> field)) {
            return std::nullopt;
        }
    }
    std::uint64_t user = 0;
    std::uint64_t system = 0;
    if (!(fields >> user >> system)) {
        return std::nullopt;
    }
    return user + system;
}

// The "VmRSS:" line of /proc/<pid>/status, in KiB.
inline std::optional<std::uint64_t> residentKib(const std::string& statusText) {
    std::istringstream lines(statusText);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("VmRSS:", 0) != 0) {
            continue;
        }
        std::istringstream value(line.substr(6));
        std::uint64_t kib = 0;
        std::string unit;
        if (value >> kib >> unit && unit == "kB") {
            return kib;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace quillet::bench
