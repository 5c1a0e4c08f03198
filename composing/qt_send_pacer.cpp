#include "composing/qt_send_pacer.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace quillet {

void QtSendPacer::processEvents() {
    QCoreApplication::processEvents();
}

void QtSendPacer::waitSeconds(float seconds) {
    processEvents();
    // A monotonic clock: the pause lasts its length also across midnight or a clock change.
    const auto target = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<float>(seconds));
    processEvents();
    std::this_thread::sleep_until(target);
}

} // namespace quillet
