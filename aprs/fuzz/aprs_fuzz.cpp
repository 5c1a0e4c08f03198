// libFuzzer target: any bytes as a KISS stream (cut at a point the first byte chooses), as an
// AX.25 frame, and as a TNC2 line from APRS-IS, with third-party unwrapping and message
// parsing on what comes out. Besides not crashing, the round trips must hold.
#include "aprs/aprs_is.h"
#include "aprs/kiss.h"
#include "aprs/message.h"
#include "aprs/third_party.h"
#include "aprs/tnc2.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

using namespace quillet::aprs;

// Names the broken invariant's line before stopping.
#define check(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant broken at line %d: %s\n", __LINE__, #condition);       \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (false)

void checkMessage(std::string_view info) {
    const auto message = parseMessage(info);
    if (!message) {
        return;
    }
    check(!message->addressee.empty() && message->addressee.size() <= 9);
    check(message->addressee.back() != ' ');
    check(message->number.size() <= 5);
    // A bulletin addressee is printable ASCII that cannot end a field or a line of the log.
    if (isBulletinAddressee(message->addressee)) {
        check(message->addressee.find_first_of(":|~{") == std::string::npos);
        for (const char c : message->addressee) {
            check(c >= ' ' && c <= '~');
        }
    }
    check(message->text.empty() || (message->text.back() != '\r' && message->text.back() != '\n'));
    std::string text = message->text;
    if (!message->number.empty()) {
        text += '{' + message->number;
    }
    const auto again = parseMessage(formatMessageInfo(message->addressee, text));
    // A line end before the number is not part of the text; without it, a text such as
    // "ack22k" followed by a number reads as an acknowledgement, which is no message.
    check(again == message ||
          (!again && (message->text.starts_with("ack") || message->text.starts_with("rej"))));
}

void checkPacket(const Packet& packet) {
    checkMessage(packet.info);
    const auto inner = unwrapThirdParty(packet);
    if (inner) {
        check(inner->info.empty() || inner->info.front() != '}');
        checkMessage(inner->info);
    }
}

// A frame that decodes encodes to a frame of the same size that decodes the same.
void checkFrame(std::string_view frame) {
    const auto packet = decodeAx25(frame);
    if (!packet) {
        return;
    }
    const auto encoded = encodeAx25(*packet);
    check(encoded.ok());
    check(encoded->size() == frame.size());
    check(decodeAx25(*encoded).value() == *packet);
    // Too long for a TNC2 line, or the same packet less the line ends that ended its info.
    const auto line = parseTnc2(formatTnc2(*packet));
    Packet expected = *packet;
    while (!expected.info.empty() &&
           (expected.info.back() == '\r' || expected.info.back() == '\n')) {
        expected.info.pop_back();
    }
    check(!line || *line == expected);
    checkPacket(*packet);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // KISS: the same stream in one piece and in two must give the same frames.
    const std::size_t maxFrame = 400;
    KissDecoder whole(maxFrame), split(maxFrame);
    std::vector<KissFrame> wholeFrames, splitFrames;
    whole.feed(input, wholeFrames);
    const std::size_t cut = size == 0 ? 0 : data[0] % size;
    split.feed(input.substr(0, cut), splitFrames);
    split.feed(input.substr(cut), splitFrames);
    check(wholeFrames.size() == splitFrames.size());
    check(whole.droppedFrames() == split.droppedFrames());
    for (std::size_t i = 0; i < wholeFrames.size(); ++i) {
        const KissFrame& f = wholeFrames[i];
        check(f.data == splitFrames[i].data && f.port == splitFrames[i].port);
        check(!f.data.empty() && f.data.size() <= maxFrame);
        KissDecoder again(maxFrame);
        std::vector<KissFrame> back;
        again.feed(kissEncode(f.data, f.port), back);
        check(back.size() == 1 && back[0].data == f.data && back[0].port == f.port);
        checkFrame(f.data);
    }
    checkFrame(input);

    // TNC2: what parses formats back to the line without its line end.
    const auto packet = parseTnc2(input);
    if (packet) {
        std::string_view line = input;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.remove_suffix(1);
        }
        check(formatTnc2(*packet) == line);
        checkPacket(*packet);
        // Where the packet fits into AX.25 it survives the way to the air and back.
        if (const auto frame = encodeAx25(*packet)) {
            Packet expected = *packet;
            expected.source.repeated = expected.destination.repeated = false;
            check(decodeAx25(*frame).value() == expected);
        }
    }
    (void)parseLogResp(input);
    (void)passcode(input);
    return 0;
}
