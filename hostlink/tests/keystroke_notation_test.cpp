#include "hostlink/keystroke_notation.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

KeyAction text(std::string t) {
    return {KeyAction::Kind::Text, std::move(t)};
}
KeyAction key(std::string k) {
    return {KeyAction::Kind::Key, std::move(k)};
}

std::vector<KeyAction> parsed(std::string_view keys) {
    const Result<std::vector<KeyAction>> result = parseKeystrokes(keys);
    EXPECT_TRUE(result) << "\"" << keys << "\": " << result.error();
    return result ? *result : std::vector<KeyAction>{};
}

// The rows of the host sequence are typed through this notation in
// station/program/tests/message_form_test.cpp.
TEST(KeystrokeNotation, LiteralRunsMergeAndModifiersAndNamedKeysStandAlone) {
    EXPECT_TRUE(parseKeystrokes("").ok()); // an empty digipeater path is a row too
    EXPECT_EQ(parsed("Net at 8{%}\tok~"),
              (std::vector{text("Net at 8%"), key("Tab"), text("ok"), key("Return")}));
    EXPECT_EQ(parsed("a{{}b{}}c{~}{(}{)}{[}]"), std::vector{text("a{b}c~()[]")});
    EXPECT_EQ(parsed("x\t\ty"), (std::vector{text("x"), key("Tab"), key("Tab"), text("y")}));
    // A single character in braces is literal even when it spells the start of a name.
    EXPECT_EQ(parsed("{e}{t}"), std::vector{text("et")});
    EXPECT_EQ(parsed("+a^c%7"), (std::vector{key("shift+a"), key("ctrl+c"), key("alt+7")}));
    EXPECT_EQ(parsed("%M%H"), (std::vector{key("alt+m"), key("alt+h")})); // not shift
    EXPECT_EQ(parsed("^+a"), std::vector{key("ctrl+shift+a")});
    EXPECT_EQ(parsed("+^a"), std::vector{key("ctrl+shift+a")});
    EXPECT_EQ(parsed("%{enter}"), std::vector{key("alt+Return")});
    EXPECT_EQ(parsed("%{x}"), std::vector{key("alt+x")});
    EXPECT_EQ(parsed("{ENTER}{Tab}{esc}{BS}{pgdn}{F1}{f12}"),
              (std::vector{key("Return"), key("Tab"), key("Escape"), key("BackSpace"), key("Next"),
                           key("F1"), key("F12")}));
}

TEST(KeystrokeNotation, RejectsWhatCannotBeTypedSafely) {
    for (const char* bad :
         {"{",    "ab{enter",  "}",  "a}b",  "{}",          "{}x}", "{nosuchkey}", "{f13}",
          "{f0}", "{enter 2}", "%",  "abc+", "^%",          "(ab)", "a(",          ")",
          "%(",   "%{%}",      "%.", "+ ",   "line\nbreak", "cr\r", "\x7f",        "{\n}"}) {
        const Result<std::vector<KeyAction>> result = parseKeystrokes(bad);
        EXPECT_FALSE(result) << "accepted \"" << bad << "\"";
        EXPECT_FALSE(result.error().empty()) << "\"" << bad << "\" refused without a reason";
    }
}

// Windows-1252 bytes above 0x7F among them: they are kept as they are.
TEST(KeystrokeEscaping, EveryPrintableByteRoundTrips) {
    EXPECT_EQ(escapeKeystrokeText("50% off {x} [a] (b) ~+^"),
              "50{%} off {{}x{}} {[}a{]} {(}b{)} {~}{+}{^}");
    std::string all;
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        if (byte == 0x7F) {
            continue; // DEL has no key of its own
        }
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(parsed(escapeKeystrokeText(one)), std::vector{text(one)}) << "byte " << byte;
        all += one;
    }
    EXPECT_EQ(parsed(escapeKeystrokeText(all)), std::vector{text(all)});
}

} // namespace
} // namespace quillet
