#pragma once

#include "composing/send_pacer.h"

#include <chrono>
#include <functional>
#include <thread>

namespace quillet {

// The pauses of a send on its worker thread: they sleep, so the processor stays idle, and the
// window's thread goes on answering meanwhile.
class SleepingSendPacer final : public SendPacer {
public:
    // `ending` is asked from the worker thread: it must be safe to call from there.
    explicit SleepingSendPacer(std::function<bool()> ending) : m_ending(std::move(ending)) {}

    void waitSeconds(float seconds) override {
        // A monotonic clock: the pause lasts its length also across midnight.
        std::this_thread::sleep_for(std::chrono::duration<float>(seconds));
    }
    bool cancelled() const override { return m_ending && m_ending(); }

private:
    std::function<bool()> m_ending;
};

} // namespace quillet
