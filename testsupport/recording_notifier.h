#pragma once

#include "notifications/notifier.h"

#include <string>
#include <vector>

namespace quillet {

// A notifier for tests: keeps every notice and answers at once, with `failure` when it is set.
class RecordingNotifier final : public Notifier {
public:
    std::vector<Notice> notices;
    std::string failure;

    void notify(const Notice& notice, Done done) override {
        notices.push_back(notice);
        if (failure.empty()) {
            done({});
        } else {
            done(fail(failure));
        }
    }
};

} // namespace quillet
