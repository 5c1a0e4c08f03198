#pragma once

#include "publishing/transfer_control.h"

#include <QTimer>

namespace quillet {

// The wait for an upload in a Qt program: window events and timers run, and between them
// the thread sleeps in the event dispatcher until the next event or the next poll of the
// control, never spinning.
class QtTransferWait final : public TransferWait {
public:
    explicit QtTransferWait(int pollMs = 20);
    void processEvents() override;

private:
    QTimer m_poll; // wakes the sleeping dispatcher when no other event comes
};

} // namespace quillet
