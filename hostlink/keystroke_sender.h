#pragma once

#include "base/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// Why typing stopped when the window the keys were meant for no longer has the focus, or is
// gone. Each reason says that the bulletin was not sent: the keys stop before the host could
// take it.
inline constexpr std::string_view kFocusLostReason =
    "the host's window lost the focus, so typing stopped and the bulletin was not sent";
inline constexpr std::string_view kWindowClosedReason =
    "the host's window closed, so typing stopped and the bulletin was not sent";
// Said once when the X server cannot tell which program made a window (no X-Resource
// extension, or a program on another machine): the windows are then told apart by what they
// say of themselves, which any program can forge.
inline constexpr std::string_view kOwnersUnknownNotice =
    "the X server does not tell which program made a window, so the host's window was told "
    "apart by what it says of itself";

// Brings a window of the desktop to the front by its caption and types into it.
//
// Keys are given in the keystroke notation the host's automation expects:
//   "%x"      x typed with Alt held ("%M", "%t");
//   "+x" "^x" x typed with Shift or Ctrl held;
//   "{enter}" Enter ("~" also means Enter);
//   "{c}"     the single character c typed as it stands, which is how the characters that
//             are commands of the notation (+ ^ % ~ ( ) { } [ ]) are written: "{%}", "{{}";
//   a tab character is the Tab key; every other character is typed as it stands.
// Texts are Windows-1252. Failures come back with their reason for the status line.
class KeystrokeSender {
public:
    virtual ~KeystrokeSender() = default;

    // Activates the host's top-level window: among the windows whose caption equals the
    // text, or else begins with it, one that belongs to the process `processId`; only when
    // no window of that process has such a caption (or the process is not known, 0) the first
    // such window of any program. Keys typed afterwards are meant for this window alone.
    virtual Status activateWindow(const std::string& caption, std::int64_t processId) = 0;

    // Types the keys, one at a time, into the window activated last. Before every key the
    // focus must still be in that window (or in a dialog it opened, a window of the same
    // program as the X server tells it); otherwise no further key
    // is pressed and the reason starts with kFocusLostReason or kWindowClosedReason. Returns
    // without waiting for the keys to be processed. Nothing of a text that is not valid
    // notation is typed.
    virtual Status sendKeys(const std::string& keys) = 0;

    // What the operator should be told once about how the host's window was recognised
    // (kOwnersUnknownNotice), or empty; taken once.
    virtual std::string takeNotice() = 0;
};

} // namespace quillet
