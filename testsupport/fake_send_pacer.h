#pragma once

#include "composing/send_pacer.h"

#include <functional>
#include <string>
#include <vector>

namespace quillet {

// Records the pauses of a send instead of taking them, optionally running a callback at
// each point where the real pacer lets window events run.
class FakeSendPacer final : public SendPacer {
public:
    std::vector<std::string> log; // "events" and "wait 0.5"
    bool ending = false;
    std::function<void()> onEvents;

    void processEvents() override {
        log.emplace_back("events");
        if (onEvents) {
            onEvents();
        }
    }
    void waitSeconds(float seconds) override {
        if (onEvents) {
            onEvents();
        }
        log.push_back("wait " + std::to_string(seconds).substr(0, 3));
    }
    bool cancelled() const override { return ending; }
};

} // namespace quillet
