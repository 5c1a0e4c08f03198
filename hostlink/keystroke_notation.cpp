#include "hostlink/keystroke_notation.h"

#include <array>
#include <utility>

namespace quillet {
namespace {

constexpr std::string_view kSpecial = "+^%~(){}[]";

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = lowerAscii(c);
    }
    return result;
}

// The braced key names, lower-cased, with the key-symbol name the X server knows them by.
std::string keyForName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 19> kNames{{
        {"enter", "Return"},
        {"tab", "Tab"},
        {"esc", "Escape"},
        {"escape", "Escape"},
        {"backspace", "BackSpace"},
        {"bs", "BackSpace"},
        {"bksp", "BackSpace"},
        {"delete", "Delete"},
        {"del", "Delete"},
        {"insert", "Insert"},
        {"ins", "Insert"},
        {"home", "Home"},
        {"end", "End"},
        {"pgup", "Prior"},
        {"pgdn", "Next"},
        {"up", "Up"},
        {"down", "Down"},
        {"left", "Left"},
        {"right", "Right"},
    }};
    const std::string key = lowered(name);
    for (const auto& [known, symbol] : kNames) {
        if (key == known) {
            return std::string(symbol);
        }
    }
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'f') {
        int number = 0;
        for (std::size_t i = 1; i < key.size(); ++i) {
            if (key[i] < '0' || key[i] > '9') {
                return {};
            }
            number = number * 10 + (key[i] - '0');
        }
        if (number >= 1 && number <= 12 && key[1] != '0') {
            return "F" + std::to_string(number);
        }
    }
    return {};
}

class Parser {
public:
    explicit Parser(std::string_view keys) : m_keys(keys) {}

    Result<std::vector<KeyAction>> run() {
        while (m_pos < m_keys.size() && m_error.empty()) {
            step();
        }
        if (!m_error.empty()) {
            return quillet::fail(std::move(m_error));
        }
        flushText();
        return std::move(m_actions);
    }

private:
    // One item: either a literal character, a key, or modifiers with the item they apply to.
    struct Item {
        enum class Kind { Literal, Key } kind;
        char literal = 0;
        std::string key;
    };

    void step() {
        std::string modifiers;
        while (m_pos < m_keys.size() && isModifier(m_keys[m_pos])) {
            addModifier(modifiers, m_keys[m_pos]);
            ++m_pos;
        }
        if (m_pos >= m_keys.size()) {
            fail("a modifier (+ ^ %) at the end has no key to apply to");
            return;
        }
        const std::size_t itemStart = m_pos;
        Item item;
        if (!readItem(item)) {
            return;
        }
        if (modifiers.empty()) {
            if (item.kind == Item::Kind::Literal) {
                m_text.push_back(item.literal);
            } else {
                pushKey(item.key);
            }
            return;
        }
        if (item.kind == Item::Kind::Literal) {
            if (!isAsciiAlnum(item.literal)) {
                fail("a modifier applies only to a letter, a digit or a named key (at position " +
                     std::to_string(itemStart + 1) + ")");
                return;
            }
            item.key = std::string(1, lowerAscii(item.literal));
        }
        pushKey(modifiers + item.key);
    }

    static bool isModifier(char c) { return c == '%' || c == '+' || c == '^'; }

    // Kept in one order so that "^%a" and "%^a" give the same key.
    static void addModifier(std::string& modifiers, char c) {
        bool ctrl = modifiers.find("ctrl+") != std::string::npos || c == '^';
        bool alt = modifiers.find("alt+") != std::string::npos || c == '%';
        bool shift = modifiers.find("shift+") != std::string::npos || c == '+';
        modifiers =
            std::string(ctrl ? "ctrl+" : "") + (alt ? "alt+" : "") + (shift ? "shift+" : "");
    }

    bool readItem(Item& item) {
        const char c = m_keys[m_pos];
        switch (c) {
        case '{':
            return readBraced(item);
        case '}':
            return fail("\"}\" without \"{\" at position " + std::to_string(m_pos + 1));
        case '(':
        case ')':
            return fail("parentheses must be written {(} and {)} (position " +
                        std::to_string(m_pos + 1) + ")");
        case '~':
            ++m_pos;
            item = {Item::Kind::Key, 0, "Return"};
            return true;
        case '\t':
            ++m_pos;
            item = {Item::Kind::Key, 0, "Tab"};
            return true;
        default:
            break;
        }
        if (isControl(c)) {
            return fail("control character " + std::to_string(static_cast<int>(c)) +
                        " at position " + std::to_string(m_pos + 1) + " cannot be typed");
        }
        ++m_pos;
        item = {Item::Kind::Literal, c, {}};
        return true;
    }

    bool readBraced(Item& item) {
        const std::size_t open = m_pos;
        // "{c}" is the character c whatever it is, "}" included: "{}}".
        if (open + 2 < m_keys.size() && m_keys[open + 2] == '}') {
            const char c = m_keys[open + 1];
            m_pos = open + 3;
            if (c == '\t') {
                item = {Item::Kind::Key, 0, "Tab"};
                return true;
            }
            if (isControl(c)) {
                return fail("control character inside braces at position " +
                            std::to_string(open + 1) + " cannot be typed");
            }
            item = {Item::Kind::Literal, c, {}};
            return true;
        }
        const std::size_t close = m_keys.find('}', open + 1);
        if (close == std::string_view::npos) {
            return fail("\"{\" at position " + std::to_string(open + 1) + " is never closed");
        }
        const std::string_view name = m_keys.substr(open + 1, close - open - 1);
        if (name.empty()) {
            return fail("empty braces at position " + std::to_string(open + 1));
        }
        std::string key = keyForName(name);
        if (key.empty()) {
            return fail("unknown key name {" + std::string(name) + "}");
        }
        m_pos = close + 1;
        item = {Item::Kind::Key, 0, std::move(key)};
        return true;
    }

    void pushKey(std::string key) {
        flushText();
        m_actions.push_back({KeyAction::Kind::Key, std::move(key)});
    }

    void flushText() {
        if (!m_text.empty()) {
            m_actions.push_back({KeyAction::Kind::Text, std::move(m_text)});
            m_text.clear();
        }
    }

    bool fail(std::string message) {
        m_error = std::move(message);
        return false;
    }

    std::string_view m_keys;
    std::size_t m_pos = 0;
    std::vector<KeyAction> m_actions;
    std::string m_text;
    std::string m_error;
};

} // namespace

Result<std::vector<KeyAction>> parseKeystrokes(std::string_view keys) {
    return Parser(keys).run();
}

std::string escapeKeystrokeText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (kSpecial.find(c) != std::string_view::npos) {
            result += '{';
            result += c;
            result += '}';
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace quillet
