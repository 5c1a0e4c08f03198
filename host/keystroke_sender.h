#pragma once

#include <string>

namespace quillet {

// Brings a window of the desktop to the front by its caption and types into it.
//
// Keys are given in the keystroke notation the host's automation expects:
//   "%x"      x typed with Alt held ("%M", "%t");
//   "+x" "^x" x typed with Shift or Ctrl held;
//   "{enter}" Enter ("~" also means Enter);
//   "{c}"     the single character c typed as it stands, which is how the characters that
//             are commands of the notation (+ ^ % ~ ( ) { } [ ]) are written: "{%}", "{{}";
//   a tab character is the Tab key; every other character is typed as it stands.
// Texts are Windows-1252.
class KeystrokeSender {
public:
    virtual ~KeystrokeSender() = default;

    // Activates the top-level window whose caption equals the text, or else the first whose
    // caption begins with it. False when there is no such window or it cannot be activated.
    virtual bool activateWindow(const std::string& caption) = 0;

    // Hands the keys to the foreground window and returns without waiting for them to be
    // processed. False when the text is not valid notation or the keys cannot be sent;
    // nothing of an invalid text is sent.
    virtual bool sendKeys(const std::string& keys) = 0;
};

} // namespace quillet
