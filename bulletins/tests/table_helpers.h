#pragma once

#include "bulletins/bulletin_store.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace quillet::testing {

// One log line as the host writes it.
inline std::string logLine(const std::string& callsign, const std::string& addressee,
                           const std::string& text) {
    return callsign + '\xB3' + addressee + '\xB3' + text + "\r\n";
}

// The table's invariants: slots in use are 0..n-1, free slots are empty, and no two
// bulletins share callsign and addressee.
inline void expectInvariants(const BulletinStore& store) {
    const auto& table = store.bulletins();
    std::set<std::pair<std::string, std::string>> identities;
    for (int i = 0; i < kSlotCount; ++i) {
        const Bulletin& b = table[i];
        if (i < store.usedCount()) {
            EXPECT_TRUE(b.inUse) << "slot " << i;
            EXPECT_TRUE(b.received.has_value()) << "slot " << i;
            EXPECT_TRUE(identities.emplace(b.callsign, b.addressee).second)
                << "duplicate identity in slot " << i;
        } else {
            EXPECT_EQ(b, Bulletin{}) << "free slot " << i << " is not empty";
        }
    }
}

} // namespace quillet::testing
