// libFuzzer target for the host's intake: whatever bytes come over KISS or APRS-IS, stand in a
// stored log or are added by hand, every line of the log the host serves is three fields
// ended by CR LF, as Quillet reads it (Windows-1252, fields at the separator), and the log stored
// reads back as it is.
#include "base/windows1252.h"
#include "contract/host_bus.h"
#include "station/core/heard_bulletin.h"
#include "station/core/link_protocol.h"
#include "station/core/message_store.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

using namespace quillet;
using namespace quillet::station;

#define check(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant broken at line %d: %s\n", __LINE__, #condition);       \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (false)

void hear(LinkProtocol& protocol, std::string_view bytes, MessageStore& store) {
    protocol.start();
    std::vector<aprs::Packet> packets;
    std::vector<std::string> problems;
    protocol.receive(bytes, packets, problems);
    for (const aprs::Packet& packet : packets) {
        if (std::optional<LoggedBulletin> bulletin = loggedFromPacket(packet)) {
            check(bulletin->sender == withoutControls(bulletin->sender));
            store.add(std::move(*bulletin));
        }
    }
}

void checkLog(const MessageStore& store) {
    const std::string text = windows1252FromUtf8(store.text());
    std::size_t lines = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string_view line = std::string_view(text).substr(start, end - start);
        check(std::count(line.begin(), line.end(), kFieldSeparator) == 2);
        check(line.find_first_of("\r\n") == std::string_view::npos);
        ++lines;
    }
    check(start == text.size());
    check(lines == store.bulletins().size());
    const auto stored = parseLogText(store.text());
    check(stored.ok());
    check(std::equal(stored->begin(), stored->end(), store.bulletins().begin(),
                     store.bulletins().end()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    MessageStore store(64);

    KissProtocol kiss;
    hear(kiss, input, store);
    AprsIsProtocol aprsIs(AprsIsLogin{"N0CALL", -1, ""});
    hear(aprsIs, input, store);
    if (const auto frame = aprs::decodeAx25(input)) {
        if (auto bulletin = loggedFromPacket(*frame)) {
            store.add(std::move(*bulletin));
        }
    }
    checkLog(store);

    // A stored log, however damaged, and fields added by hand (split at NUL bytes).
    if (const auto stored = parseLogText(input)) {
        for (const LoggedBulletin& bulletin : *stored) {
            store.add(bulletin);
        }
    }
    const std::size_t first = input.find('\0');
    const std::size_t second =
        first == std::string_view::npos ? first : input.find('\0', first + 1);
    if (second != std::string_view::npos) {
        store.add({std::string(input.substr(0, first)),
                   std::string(input.substr(first + 1, second - first - 1)),
                   std::string(input.substr(second + 1))});
    }
    checkLog(store);
    return 0;
}
