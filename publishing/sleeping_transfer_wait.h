#pragma once

#include "publishing/transfer_control.h"

#include <chrono>
#include <thread>

namespace quillet {

// The wait for an upload on a worker thread: there are no window events to run there, so it
// only sleeps a little between two polls of the control.
class SleepingTransferWait final : public TransferWait {
public:
    explicit SleepingTransferWait(std::chrono::milliseconds poll = std::chrono::milliseconds(20))
        : m_poll(poll) {}
    void processEvents() override { std::this_thread::sleep_for(m_poll); }

private:
    std::chrono::milliseconds m_poll;
};

} // namespace quillet
