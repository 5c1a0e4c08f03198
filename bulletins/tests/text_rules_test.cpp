#include "bulletins/text_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace quillet;

TEST(TextRules, EachRuleOverItsCases) {
    const auto strip = [](std::string_view t) { return std::string(stripTextPrefix(t)); };
    const auto trim = [](std::string_view t) { return std::string(trimBlanks(t)); };
    // Each rule with its cases as input, expected output, input, expected output, ...
    const std::pair<std::function<std::string(std::string_view)>, std::vector<std::string>>
        rules[] = {// only a leading, closed bracket goes, up to the first ">", nothing more
                   {strip,
                    {"<UIV32N>Hello", "Hello", "<a>b>c", "b>c", "<x> spaced", " spaced", "<x>", "",
                     "<open", "<open", "a <x> b", "a <x> b", " <x>a", " <x>a"}},
                   // blanks only, at both ends
                   {trim, {"  a b  ", "a b", "\ta\t", "\ta\t", "  ", ""}},
                   // characters five to seven, trimmed and upper-cased (Windows-1252 é -> É)
                   {groupCodeOf,
                    {"BLN1EU", "EU", "BLN1E", "E", "BLN1 WX", "WX", "bln2usa", "USA", "BLN3ABCDE",
                     "ABC", "BLN1", "", "BLN", "", "BLN1 A B", "A", "BLN1\xE9t\xE9", "\xC9T\xC9"}},
                   // only a three-character addressee gets a blank, so that "> " lines up
                   {padAddressee, {"BLN", "BLN ", "BLN1", "BLN1", "AB", "AB"}},
                   // whole up to the limit, beyond it cut and said so
                   {shownText,
                    {std::string(500, 'x'), std::string(500, 'x'), std::string(501, 'x'),
                     std::string(500, 'x') + "\x85 (cut: 501 bytes in all)"}}};
    for (const auto& [rule, cases] : rules) {
        for (std::size_t i = 0; i + 1 < cases.size(); i += 2) {
            EXPECT_EQ(rule(cases[i]), cases[i + 1]) << '"' << cases[i] << '"';
        }
    }
}
