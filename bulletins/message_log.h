#pragma once

#include "contract/host_bus.h"

#include <string>

namespace quillet {

// Where the bulletin table reads the host's message log from. The text is Windows-1252:
// lines ended by CR LF, fields separated by kFieldSeparator. Implementations report a failed
// read by throwing; the table is then left as it was.
class MessageLogSource {
public:
    virtual ~MessageLogSource() = default;
    virtual std::string messageLog(int selector) = 0;
};

} // namespace quillet
