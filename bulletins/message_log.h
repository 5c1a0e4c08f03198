#pragma once

#include "base/result.h"
#include "contract/host_bus.h"

#include <string>

namespace quillet {

// Where the bulletin table reads the host's message log from. The text is Windows-1252:
// lines ended by CR LF, fields separated by kFieldSeparator. A failed read gives the line for
// the status line; the table is then left as it was.
class MessageLogSource {
public:
    virtual ~MessageLogSource() = default;
    virtual Result<std::string> messageLog(int selector) = 0;
};

} // namespace quillet
