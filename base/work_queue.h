#pragma once

#include <functional>

namespace quillet {

// Work that must not hold up the window: host calls, a send's keystrokes and pauses, a
// publishing run. A queue runs its jobs one after another, in the order they were given,
// away from the window's thread; what a job returns runs afterwards on the window's thread,
// so the window's state is only ever touched there.
class WorkQueue {
public:
    using Apply = std::function<void()>;
    using Job = std::function<Apply()>;

    virtual ~WorkQueue() = default;
    virtual void post(Job job) = 0;
};

// Runs each job and its result at once, on the caller's thread: for tests that drive the
// window step by step and for the core's own tests.
class InlineWorkQueue final : public WorkQueue {
public:
    int jobs = 0; // how many were posted

    void post(Job job) override {
        ++jobs;
        if (Apply apply = job()) {
            apply();
        }
    }
};

} // namespace quillet
