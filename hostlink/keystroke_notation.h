#pragma once

#include "base/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// One step of typing: a run of characters typed as they stand, or one key pressed with its
// modifiers.
struct KeyAction {
    enum class Kind { Text, Key };

    Kind kind = Kind::Text;
    // Text: Windows-1252 bytes. Key: a key sequence as X11 key-symbol names joined by "+",
    // modifiers first ("alt+m", "ctrl+shift+a", "Return", "Tab").
    std::string text;

    bool operator==(const KeyAction&) const = default;
};

// Reads keys written in the notation described on KeystrokeSender. Consecutive literal
// characters form one Text action. Besides "{enter}" the braced key names tab, esc, escape,
// backspace, bs, bksp, delete, del, insert, ins, home, end, pgup, pgdn, up, down, left, right
// and f1 to f12 are known, in any letter case. A modifier applies to one letter, digit, braced
// key name, "~" or tab; modifiers may be combined ("^+a"). Rejected: unbalanced or empty braces,
// unknown names, a modifier with nothing (or nothing it can apply to) after it, parentheses
// (groups are not supported, so they can never be typed by mistake), and control characters
// other than tab, which have no key of their own. A rejected text gives what is wrong with it.
Result<std::vector<KeyAction>> parseKeystrokes(std::string_view keys);

// Writes each of + ^ % ~ ( ) { } [ ] as "{c}" so that the text is typed exactly as written;
// everything else, tab included, is left alone.
std::string escapeKeystrokeText(std::string_view text);

} // namespace quillet
