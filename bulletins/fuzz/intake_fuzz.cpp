// libFuzzer target: any bytes as the host's message log, read at several refreshes with the
// clock moving (or set back) in between. After every refresh the table must be sound.
#include "bulletins/bulletin_list.h"
#include "bulletins/bulletin_store.h"
#include "bulletins/group_list.h"
#include "testsupport/fake_clock.h"

#include <cstdint>
#include <set>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void checkInvariants(const quillet::BulletinStore& store) {
    using namespace quillet;
    std::set<std::pair<std::string, std::string>> identities;
    for (int i = 0; i < kSlotCount; ++i) {
        const Bulletin& b = store.bulletins()[i];
        if (i < store.usedCount()) {
            check(b.inUse && b.received.has_value());
            check(identities.emplace(b.callsign, b.addressee).second);
            check(!(b.callsign.empty() && b.addressee.empty()));
        } else {
            check(b == Bulletin{});
        }
    }
    for (int i = 1; i < store.usedCount(); ++i) {
        const Bulletin& a = store.bulletins()[i - 1];
        const Bulletin& b = store.bulletins()[i];
        check(a.callsign < b.callsign || (a.callsign == b.callsign && a.addressee < b.addressee));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillet;
    FakeClock clock;
    BulletinStore store(clock);
    const IsoDateTimeFormatter formatter;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // A 0xFF byte separates the logs of successive refreshes; the byte after it moves the
    // clock (values above 127 set it back).
    while (!input.empty()) {
        const auto cut = input.find('\xFF');
        const std::string_view log = input.substr(0, cut);
        store.storeMessageLog(log);
        store.sortBulletins();
        checkInvariants(store);
        const auto rows = showBulletins(store.bulletins(), "ALL", formatter);
        check(rows.size() == static_cast<std::size_t>(store.usedCount()) + 1);
        const GroupList groups = fillGroupList(store.bulletins(), "ALL");
        check(!groups.entries.empty() && groups.entries.front() == "ALL");
        if (cut == std::string_view::npos) {
            break;
        }
        input.remove_prefix(cut + 1);
        if (!input.empty()) {
            const auto step = static_cast<signed char>(input.front());
            clock.advance(std::chrono::seconds(step));
            input.remove_prefix(1);
        }
    }
    return 0;
}
