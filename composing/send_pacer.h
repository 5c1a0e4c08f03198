#pragma once

namespace quillet {

// The pauses of a send. The host needs time to take each keystroke; while the program
// waits, its other windows and timers may run, but only at the edges of a pause.
class SendPacer {
public:
    virtual ~SendPacer() = default;

    // Lets pending window events run.
    virtual void processEvents() = 0;

    // Lets pending window events run, then pauses for the given time without running any.
    virtual void waitSeconds(float seconds) = 0;

    // True once the program has been told to end; a send then stops where it is.
    virtual bool cancelled() const = 0;
};

} // namespace quillet
