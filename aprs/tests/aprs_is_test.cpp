#include "aprs/aprs_is.h"

#include <gtest/gtest.h>

using namespace quillet::aprs;

namespace {

TEST(AprsIs, PasscodesMatchXastirsCallpass) {
    // Reference values from `callpass CALL` (Debian package xastir).
    const std::pair<const char*, int> cases[] = {
        {"N0CALL", 13023}, {"W1AW", 25988},      {"DL1ABC-9", 17580}, {"k2xyz", 14985},
        {"G4ABC", 13972},  {"VK2TDS-15", 21422}, {"OH2XYZ-1", 22440}, {"AB1CD", 18403},
    };
    for (const auto& [call, code] : cases) {
        EXPECT_EQ(passcode(call), code) << call;
    }
}

TEST(AprsIs, LoginLineCarriesTheFilterOnlyWhenThereIsOne) {
    EXPECT_EQ(loginLine("N0CALL-1", 13023, "quillet-host", "1.0", "g/BLN*"),
              "user N0CALL-1 pass 13023 vers quillet-host 1.0 filter g/BLN*\r\n");
    EXPECT_EQ(loginLine("N0CALL", -1, "quillet-host", "1.0", ""),
              "user N0CALL pass -1 vers quillet-host 1.0\r\n");
}

TEST(AprsIs, LogrespTellsWhetherSendingIsAllowed) {
    const std::pair<const char*, std::optional<LoginResponse>> cases[] = {
        {"# logresp N0CALL verified, server T2TEST\r\n", LoginResponse{true, "T2TEST"}},
        {"# logresp N0CALL unverified, server T2X", LoginResponse{false, "T2X"}},
        {"# logresp N0CALL verified", LoginResponse{true, ""}},
        {"# logresp N0CALL", std::nullopt},
        {"# logresp N0CALL maybe, server T2X", std::nullopt},
        {"# aprsc 2.1.4 T2TEST", std::nullopt},
        {"N0CALL>APRS:# logresp N0CALL verified", std::nullopt},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(parseLogResp(line), expected) << line;
    }
}

} // namespace
