#pragma once

#include <string>

namespace quillet {

// The host's own per-user settings, of which the program reads one value.
class HostSettings {
public:
    virtual ~HostSettings() = default;

    // The folder the host is installed in, in Windows-1252, as the host wrote it: ending with
    // its separator. Empty when the host never wrote it or the settings cannot be read.
    virtual std::string programFolder() const = 0;
};

} // namespace quillet
