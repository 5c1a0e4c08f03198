#pragma once

#include "base/result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quillet::station {

// A byte stream to one peer: the seam between a link and the network. The real one is a TCP
// socket; tests use a recording fake. Events arrive on the window's thread through the
// handlers; opening and writing never wait.
class LinkConnection {
public:
    struct Handlers {
        std::function<void()> connected;
        std::function<void(std::string_view)> received;
        std::function<void(const std::string&)> closed; // why it closed or failed
    };

    virtual ~LinkConnection() = default;
    virtual void setHandlers(Handlers handlers) = 0;
    virtual void open(const std::string& host, std::uint16_t port) = 0;
    // Queues bytes on an open connection, or says why it cannot.
    virtual Status write(std::string_view bytes) = 0;
    // Closes without reporting it through `closed`.
    virtual void close() = 0;
};

} // namespace quillet::station
