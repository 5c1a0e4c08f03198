#pragma once

#include "host/keystroke_notation.h"
#include "host/keystroke_sender.h"

#include <string>
#include <utility>
#include <vector>

namespace quillet {

// Records what would have been typed, for tests. Every call is kept in order, successful or
// not, as "activate:<caption>" or "keys:<keys>".
class FakeKeystrokeSender final : public KeystrokeSender {
public:
    bool activateWindow(const std::string& caption) override {
        m_calls.push_back("activate:" + caption);
        if (m_failActivation) {
            return false;
        }
        if (!m_captions.empty()) {
            // As the real sender: an equal caption first, else one that begins with the text.
            for (const std::string& window : m_captions) {
                if (window == caption) {
                    return true;
                }
            }
            for (const std::string& window : m_captions) {
                if (window.starts_with(caption)) {
                    return true;
                }
            }
            return false;
        }
        return true;
    }

    bool sendKeys(const std::string& keys) override {
        m_calls.push_back("keys:" + keys);
        ++m_keyCalls;
        if (m_rejectFromKeyCall > 0 && m_keyCalls >= m_rejectFromKeyCall) {
            return false;
        }
        return parseKeystrokes(keys).ok();
    }

    // Every activation fails from now on (or succeeds again with false).
    void setFailActivation(bool fail) { m_failActivation = fail; }
    // Only windows with these captions can be activated; an empty list means any caption.
    void setWindowCaptions(std::vector<std::string> captions) { m_captions = std::move(captions); }
    // sendKeys returns false from its nth call on (counting from 1, over the fake's whole
    // life); 0 accepts every valid text again.
    void rejectKeysFromCall(int n) { m_rejectFromKeyCall = n; }

    const std::vector<std::string>& calls() const { return m_calls; }
    int keyCalls() const { return m_keyCalls; }
    void clearCalls() { m_calls.clear(); }

private:
    std::vector<std::string> m_calls;
    std::vector<std::string> m_captions;
    bool m_failActivation = false;
    int m_rejectFromKeyCall = 0;
    int m_keyCalls = 0;
};

} // namespace quillet
