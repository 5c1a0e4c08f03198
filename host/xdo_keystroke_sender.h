#pragma once

#include "host/keystroke_sender.h"

#include <string>

struct xdo;
struct _XDisplay;

namespace quillet {

// Activates windows and types into them on an X11 display through libxdo. The display is the
// one DISPLAY names; the window manager must support _NET_ACTIVE_WINDOW and _NET_CLIENT_LIST.
// Keys go to whichever window has the keyboard focus, as the host's own automation does, so
// activate the target first.
class XdoKeystrokeSender final : public KeystrokeSender {
public:
    // Pause between the characters of a text, and the longest wait for an activation.
    static constexpr unsigned kKeyDelayMicroseconds = 12000;
    static constexpr int kActivationTimeoutMs = 2000;
    // How long an activated window must keep the focus before typing starts.
    static constexpr int kActivationSettleMs = 150;

    XdoKeystrokeSender();
    ~XdoKeystrokeSender() override;

    XdoKeystrokeSender(const XdoKeystrokeSender&) = delete;
    XdoKeystrokeSender& operator=(const XdoKeystrokeSender&) = delete;

    // False, with a reason in lastError, also when no X display could be opened.
    bool activateWindow(const std::string& caption) override;
    bool sendKeys(const std::string& keys) override;

    bool hasDisplay() const { return m_xdo != nullptr; }
    // Why the last call failed; empty after a call that succeeded.
    const std::string& lastError() const { return m_lastError; }

private:
    bool fail(std::string reason);

    _XDisplay* m_display = nullptr;
    xdo* m_xdo = nullptr;
    std::string m_displayError;
    std::string m_lastError;
};

} // namespace quillet
