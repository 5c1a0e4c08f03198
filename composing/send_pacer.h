#pragma once

namespace quillet {

// The pauses of a send. The host needs time to take each keystroke.
class SendPacer {
public:
    virtual ~SendPacer() = default;

    // Pauses for the given time.
    virtual void waitSeconds(float seconds) = 0;

    // True once the program has been told to end; a send then stops where it is.
    virtual bool cancelled() const = 0;
};

} // namespace quillet
