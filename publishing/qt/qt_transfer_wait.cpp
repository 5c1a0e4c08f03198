#include "publishing/qt/qt_transfer_wait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace quillet {

QtTransferWait::QtTransferWait(int pollMs) {
    m_poll.setSingleShot(true);
    m_poll.setInterval(pollMs);
}

void QtTransferWait::processEvents() {
    // Runs what is pending without sleeping, then sleeps until an event arrives: at the
    // latest the poll timer's. Unlike a nested event loop this never runs deferred
    // deletions, so a window whose handler started the run cannot vanish under it.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_poll.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace quillet
