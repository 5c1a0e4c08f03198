#pragma once

#include "bulletins/bulletin_store.h"
#include "contract/host_bus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace quillet::testing {

// Log text written with "|" for the host's field separator; logLine() writes one line.
inline std::string hostLog(std::string text) {
    std::replace(text.begin(), text.end(), '|', kFieldSeparator);
    return text;
}

inline std::string logLine(const std::string& callsign, const std::string& addressee,
                           const std::string& text) {
    return callsign + kFieldSeparator + addressee + kFieldSeparator + text + "\r\n";
}

// "callsign|addressee|text" of every slot in use, in slot order. Checks the table's
// invariants on the way: slots in use are 0..n-1 and distinct, free slots are empty.
inline std::vector<std::string> held(const BulletinStore& store) {
    std::vector<std::string> out;
    std::set<std::string> identities;
    for (int i = 0; i < kSlotCount; ++i) {
        const Bulletin& b = store.bulletins()[i];
        if (i >= store.usedCount()) {
            EXPECT_EQ(b, Bulletin{}) << "free slot " << i << " is not empty";
            continue;
        }
        EXPECT_TRUE(b.inUse && b.received &&
                    identities.insert(b.callsign + '|' + b.addressee).second)
            << "slot " << i;
        out.push_back(b.callsign + '|' + b.addressee + '|' + b.text);
    }
    return out;
}

} // namespace quillet::testing
