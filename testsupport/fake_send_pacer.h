#pragma once

#include "composing/send_pacer.h"

#include <functional>
#include <string>
#include <vector>

namespace quillet {

// Records the pauses of a send instead of taking them, optionally running a callback at the
// start of each.
class FakeSendPacer final : public SendPacer {
public:
    std::vector<std::string> log; // "wait 0.5"
    bool ending = false;
    std::function<void()> onWait;

    void waitSeconds(float seconds) override {
        if (onWait) {
            onWait();
        }
        log.push_back("wait " + std::to_string(seconds).substr(0, 3));
    }
    bool cancelled() const override { return ending; }
};

} // namespace quillet
