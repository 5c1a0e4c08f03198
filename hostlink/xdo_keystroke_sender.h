#pragma once

#include "hostlink/keystroke_sender.h"

#include <cstdint>
#include <string>

struct xdo;
struct _XDisplay;

namespace quillet {

// Activates windows and types into them on an X11 display through libxdo. The display is the
// one DISPLAY names; the window manager must support _NET_ACTIVE_WINDOW and _NET_CLIENT_LIST.
// Keys go to whichever window has the keyboard focus, as the host's own automation does, so
// every key is pressed only after checking that the focus is still in the activated window.
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

    // Both fail with the reason also when no X display could be opened.
    Status activateWindow(const std::string& caption, std::int64_t processId) override;
    Status sendKeys(const std::string& keys) override;
    std::string takeNotice() override;

private:
    // Presses one key (or types one character) once the focus is known to be in the target.
    Status pressChecked(const std::string& key, bool isText);
    // Keeps the notice that the server cannot tell who made a window, the first time only.
    void noteOwnersUnknown();

    _XDisplay* m_display = nullptr;
    xdo* m_xdo = nullptr;
    std::string m_displayError;      // why no display could be opened; empty when one was
    unsigned long m_target = 0;      // the window activated last
    unsigned long m_activeAtom = 0;  // _NET_ACTIVE_WINDOW, looked up once
    std::uint32_t m_targetOwner = 0; // the process that made the target, as the server says
    std::string m_notice;
    bool m_ownersNoted = false;
};

} // namespace quillet
