#pragma once

#include "composing/send_pacer.h"

#include <functional>

namespace quillet {

// Pauses that sleep: the processor stays idle and, inside a pause, nothing else runs.
class QtSendPacer final : public SendPacer {
public:
    explicit QtSendPacer(std::function<bool()> ending) : m_ending(std::move(ending)) {}

    void processEvents() override;
    void waitSeconds(float seconds) override;
    bool cancelled() const override { return m_ending && m_ending(); }

private:
    std::function<bool()> m_ending;
};

} // namespace quillet
