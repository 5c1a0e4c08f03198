#pragma once

#include "hostlink/keystroke_notation.h"
#include "hostlink/keystroke_sender.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quillet {

// Records what would have been typed, for tests. Every call is kept in order, successful or
// not, as "activate:<caption>" or "keys:<keys>".
class FakeKeystrokeSender final : public KeystrokeSender {
public:
    Status activateWindow(const std::string& caption, std::int64_t processId) override {
        m_calls.push_back("activate:" + caption);
        m_processId = processId;
        // As the real sender: an equal caption first, else one that begins with the text.
        bool found = m_captions.empty();
        for (const std::string& window : m_captions) {
            found = found || window.starts_with(caption);
        }
        return found ? Status() : fail("no window has the caption \"" + caption + "\"");
    }

    Status sendKeys(const std::string& keys) override {
        m_calls.push_back("keys:" + keys);
        ++m_keyCalls;
        if (m_focusLostFromKeyCall > 0 && m_keyCalls >= m_focusLostFromKeyCall) {
            return fail(std::string(kFocusLostReason));
        }
        if (const auto parsed = parseKeystrokes(keys); !parsed) {
            return fail("invalid keystroke notation: " + parsed.error());
        }
        if (onKeys) {
            onKeys(keys);
        }
        return {};
    }

    std::string takeNotice() override { return std::exchange(notice, std::string()); }

    // What the next takeNotice() gives.
    std::string notice;
    // Only windows with these captions can be activated; an empty list means any caption.
    void setWindowCaptions(std::vector<std::string> captions) { m_captions = std::move(captions); }
    // Another window takes the focus before the nth call of sendKeys (counting from 1, over
    // the fake's whole life): that call and every later one fail and type nothing. 0 gives
    // the focus back.
    void loseFocusFromKeyCall(int n) { m_focusLostFromKeyCall = n; }
    // Runs after each call of sendKeys that typed its keys, as the host would take them.
    std::function<void(const std::string&)> onKeys;

    const std::vector<std::string>& calls() const { return m_calls; }
    int keyCalls() const { return m_keyCalls; }
    std::int64_t processId() const { return m_processId; }

private:
    std::vector<std::string> m_calls;
    std::vector<std::string> m_captions;
    int m_focusLostFromKeyCall = 0;
    int m_keyCalls = 0;
    std::int64_t m_processId = 0;
};

} // namespace quillet
