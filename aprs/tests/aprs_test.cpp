// The APRS layers: KISS framing, AX.25 frames, TNC2 lines, messages and the APRS-IS login.
// Octal escapes keep the byte strings in one piece: \300 FEND, \333 FESC, \334 TFEND, \335 TFESC.

#include "aprs/aprs_is.h"
#include "aprs/ax25.h"
#include "aprs/kiss.h"
#include "aprs/message.h"
#include "aprs/third_party.h"
#include "aprs/tnc2.h"
#include "testsupport/checked_value.h"

#include <gtest/gtest.h>

using namespace quillet::aprs;
using quillet::testing::valueOf;
using namespace std::string_literals;

namespace {

TEST(Kiss, EscapesSurviveBothWaysInAnyChunking) {
    EXPECT_EQ(kissEncode("a\300b\333", 2), "\300\040a\333\334b\333\335\300");
    const std::vector<std::string> frames = {std::string(1024, 'L'), "\300", "\333",
                                             "\333\334\300\335", "x\300y"};
    std::string stream;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        stream += kissEncode(frames[i], static_cast<int>(i) * 3); // port 12: command byte FEND
    }
    for (std::size_t chunk = 1; chunk <= 7; ++chunk) {
        KissDecoder decoder;
        std::vector<KissFrame> out;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            decoder.feed(std::string_view(stream).substr(at, chunk), out);
        }
        ASSERT_EQ(out.size(), frames.size()) << "chunk " << chunk;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(out[i].data, frames[i]) << "chunk " << chunk;
            EXPECT_EQ(out[i].port, static_cast<int>(i) * 3);
        }
        EXPECT_EQ(decoder.droppedFrames(), 0u);
    }
}

TEST(Kiss, BadFramesAreDroppedAndCountedAndMemoryStaysBounded) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"\300\000ab\333x\300"s, 1},               // FESC before a byte that is not TFEND/TFESC
        {"\300\000ab\333\300"s, 1},                // FESC right before FEND
        {"\300\001\062\300", 1},                   // TX delay setting
        {"\300\377\300", 1},                       // return from KISS
        {"\300\000\300"s, 1},                      // data frame with no data
        {"\300\300\300", 0},                       // back-to-back FENDs are no frames
        {"tail of a frame", 0},                    // before the first FEND: joined in the middle
        {kissEncode(std::string(1025, 'x')), 1},   // one byte over the largest frame
        {"\300" + std::string(64 * 1024, 'A'), 1}, // 64 KB without FEND
    };
    for (const auto& [bytes, dropped] : cases) {
        KissDecoder decoder;
        std::vector<KissFrame> out;
        decoder.feed(bytes, out);
        decoder.feed(kissEncode("good"), out);
        EXPECT_EQ(decoder.droppedFrames(), dropped) << bytes.substr(0, 20);
        ASSERT_EQ(out.size(), 1u) << bytes.substr(0, 20); // the next frame still comes through
        EXPECT_EQ(out[0].data, "good");
    }
}

Address address(std::string_view text) {
    return valueOf(parseAddressText(text));
}

TEST(Ax25, FramesCarryAddressBitsAsOnTheAirBothWays) {
    // N0CALL-9>APRS,WIDE1-1*:! by hand: characters shifted left, SSID in bits 1-4, C bit in
    // the destination, H bit on the repeated digipeater, end bit on the last address.
    const std::string frame = "\x82\xA0\xA4\xA6\x40\x40\xE0\x9C\x60\x86\x82\x98\x98\x72"
                              "\xAE\x92\x88\x8A\x62\x40\xE3\x03\xF0!";
    const Packet packet{address("N0CALL-9"), address("APRS"), {address("WIDE1-1*")}, "!"};
    EXPECT_EQ(valueOf(encodeAx25(packet)), frame);
    const std::vector<Packet> packets = {
        packet,
        {address("N0CALL"), address("APZQLT"), {}, ""},
        {address("DL1ABC-15"),
         address("APZQLT-1"),
         {address("WIDE1-1*"), address("WIDE2-2")},
         ":BLN1     :Net\300\333"},
        {address("A"), address("B"), std::vector<Address>(8, address("D8-3*")), "x"},
    };
    for (const Packet& p : packets) {
        EXPECT_EQ(valueOf(decodeAx25(valueOf(encodeAx25(p)))), p);
    }
}

TEST(Ax25, BadFramesSayWhatIsWrong) {
    const std::string dest = "\x82\xA0\xA4\xA6\x40\x40\x60";
    const std::string src = "\x9C\x60\x86\x82\x98\x98\x61";
    const std::string digi = "\x9C\x60\x86\x82\x98\x98\x60"; // not the last address
    std::string nineDigis = dest + digi;
    for (int i = 0; i < 9; ++i) {
        nineDigis += digi;
    }
    const std::pair<std::string, std::string> cases[] = {
        {"\x82\xA0\xA4\xA6\x40", "AX.25 address field cut short"}, // 5 bytes
        {dest + "\x9C\x60\x86", "AX.25 address field cut short"},
        {dest + digi + "\x03\xF0", "AX.25 address field cut short"},
        {dest.substr(0, 6) + "\x61", "AX.25 address field cut short"}, // one address only
        {dest + src, "AX.25 frame without control and PID"},
        {dest + src + "\x3F\xF0", "not a UI frame"}, // SABM
        {dest + src + "\x00\xF0info"s, "not a UI frame"},
        {dest + src + "\x03\xCF", "UI frame with a PID other than F0"},
        {nineDigis + src + "\x03\xF0", "AX.25 frame with more than 8 digipeaters"},
        {"\x82\x5A" + dest.substr(2) + src + "\x03\xF0",
         "AX.25 address with a character that is not a letter or digit"},
        {"\x82\x40" + dest.substr(2) + src, "AX.25 address with a blank inside the call"},
        {"\x40\x40\x40\x40\x40\x40\x60" + src, "AX.25 address with an empty call"},
    };
    for (const auto& [bytes, error] : cases) {
        EXPECT_EQ(decodeAx25(bytes).error(), error);
    }
    EXPECT_EQ(valueOf(decodeAx25(dest + src + "\x13\xF0ok")).info, "ok"); // poll bit set
}

TEST(Ax25, AddressesAreCheckedForTransmit) {
    const std::pair<std::string, std::string> good[] = {
        {"WIDE1-1", "WIDE1-1"},     {"TCPIP*", "TCPIP*"}, {"n0call-09", "N0CALL-9"},
        {"DL1ABC-15", "DL1ABC-15"}, {"A-0", "A"},
    };
    for (const auto& [text, canonical] : good) {
        EXPECT_EQ(addressText(valueOf(parseAddressText(text))), canonical);
    }
    for (const char* bad : {"", "*", "-1", "TOOLONG", "N0CALL-16", "N0CALL-", "N0CALL-1A",
                            "N0-CALL-1", "N0 CAL", "N0CALL--1", "N0CALL-+1"}) {
        EXPECT_FALSE(parseAddressText(bad).ok()) << bad;
    }
    const Address call = address("N0CALL");
    EXPECT_EQ(encodeAx25({call, call, std::vector<Address>(9, call), ""}).error(),
              "more than 8 digipeaters");
    EXPECT_FALSE(encodeAx25({Address{"T2XXXXX"}, call, {}, ""}).ok());
    EXPECT_FALSE(encodeAx25({call, Address{"APZQLT", 16}, {}, ""}).ok());
    EXPECT_FALSE(encodeAx25({call, call, {Address{"qAR"}}, ""}).ok());
}

TEST(Tnc2, LinesAsAprsIsSendsThemComeBackUnchanged) {
    const char* lines[] = {
        "N0CALL-9>APZQLT,WIDE1-1,WIDE2-1,qAR,DB0ABC-10::BLN1     :Net tonight{42",
        "DL1ABC>APRS,TCPIP*,qAC,T2XXX:!5000.00N/00800.00E-a:b>c,d",
        "OH2ABC-AB>APRS,qAS,T2FINLAND::BLNA     :x",
        "K5PTH>APRS,qAI,K5PTH,THIRD,92E5A2B6,T2HUB1,200106F8020204020000000000000002,T2FINLAND:"
        ":BLN7     :x",
        "N0CALL>APRS,T2_HUB.1*,Ab$%*x:y",
        "VK2TDS-15>APRS,WIDE2-0,qAO,N0CALL-1:",
        "A>B:",
    };
    for (const char* line : lines) {
        EXPECT_EQ(formatTnc2(valueOf(parseTnc2(line))), line);
    }
    const Packet p = valueOf(parseTnc2("DL1ABC-15>APRS,WIDE1-1*,qAR,WIDE2-0,X-16:hi:there\r\n"));
    EXPECT_EQ(p.source, (Address{"DL1ABC", 15}));
    EXPECT_EQ(p.destination, (Address{"APRS", 0}));
    // Whatever is not an SSID as AX.25 writes it stays part of the call.
    const std::vector<Address> path = {{"WIDE1", 1, true}, {"qAR"}, {"WIDE2-0"}, {"X-16"}};
    EXPECT_EQ(p.path, path);
    EXPECT_EQ(p.info, "hi:there");
}

TEST(Tnc2, BadLinesSayWhatIsWrong) {
    const std::pair<std::string, std::string> cases[] = {
        {"N0CALL>APRS no colon", "TNC2 line without ':'"},
        {"# aprsc 2.1.4 7 Dec 2026 02:22:44 GMT T2TEST", "TNC2 line without '>'"},
        {"N0CALL>APRS:" + std::string(100 * 1024, 'x'), "TNC2 line too long"},
        {">APRS:x", "TNC2 line with a bad source: "},
        {"N0CALL-123>APRS:x", "TNC2 line with a bad source: N0CALL-123"},
        {"N0CALL>:x", "TNC2 line with a bad destination: "},
        {"N0CALL>APRS,WI>DE:x", "TNC2 line with a bad path: WI>DE"},
        {"N0CALL>APRS,qAI," + std::string(33, 'A') + ":x",
         "TNC2 line with a bad path: AAAAAAAAAAAAAAAAAAAA"},
        {"N0CALL>APRS,WI DE:x", "TNC2 line with a bad path: WI DE"},
        {"N0_CALL>APRS:x", "TNC2 line with a bad source: N0_CALL"},
    };
    for (const auto& [line, error] : cases) {
        EXPECT_EQ(parseTnc2(line).error(), error) << line;
    }
}

TEST(ThirdParty, TheInnermostPacketCounts) {
    const std::pair<std::string, std::string> cases[] = {
        // the inner packet or the error
        {"IGATE>APRS,TCPIP*:}N0CALL>APZQLT,TCPIP,IGATE*::BLN1     :Hi",
         "N0CALL>APZQLT,TCPIP,IGATE*::BLN1     :Hi"},
        {"A>B:}C>D:}E>F:x", "E>F:x"},
        {"A>B::BLN1     :}not third party", "A>B::BLN1     :}not third party"},
        {"A>B:}garbage", "third-party packet: TNC2 line without ':'"},
        {"A>B:}A>B:}A>B:}A>B:}A>B:}Z>Z:x", "third-party packets nested too deep"},
    };
    for (const auto& [outer, expected] : cases) {
        const auto packet = unwrapThirdParty(valueOf(parseTnc2(outer)));
        EXPECT_EQ(packet ? formatTnc2(packet.value()) : packet.error(), expected) << outer;
    }
}

TEST(Message, AddresseeTextAndNumberFollowTheFieldRules) {
    const std::pair<std::string, std::optional<Message>> cases[] = {
        {":N0CALL-15:a{b{1", Message{"N0CALL-15", "a{b", "1"}},
        {":BLN3     :Hi\n{7\r", Message{"BLN3", "Hi", "7"}},
        {":BLN4     :  padded  ", Message{"BLN4", "  padded  ", ""}},
        {":N0CALL   :Hi{MM}AA", Message{"N0CALL", "Hi", "MM"}}, // reply-ack
        {":BLN1     :text{1}f001", Message{"BLN1", "text", "1"}},
        {":BLN1     :text{10512}", Message{"BLN1", "text", "10512"}},
        {":BLN1     :text{12 \r\n", Message{"BLN1", "text", "12"}},
        {":BLN1     :text{ABCDE}FGHIJK", Message{"BLN1", "text{ABCDE}FGHIJK", ""}},
        {":BLN1     :text{}AB", Message{"BLN1", "text{}AB", ""}},
        {":BLN1:abcd:efg", Message{"BLN1:abcd", "efg", ""}},
        {":N0CALL   :acknowledged", Message{"N0CALL", "acknowledged", ""}},
        {":N0CALL   :ack now", Message{"N0CALL", "ack now", ""}},
        {":N0CALL   :", Message{"N0CALL", "", ""}},
        {":N0CALL   :rej7\r", std::nullopt},
        {":N0CALL   :ack12}  ", std::nullopt},
        {":BLN1    :short field", std::nullopt},
        {":         :no addressee", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [info, expected] : cases) {
        EXPECT_EQ(parseMessage(info), expected) << info;
    }
}

TEST(Message, BulletinAddresseesAreBlnACodeAndAShortPrintableGroup) {
    const std::pair<std::string_view, bool> cases[] = {
        {"BLN", true},         {"BLNZ", true},       {"BLN0", true},      {"BLN1 WX", true},
        {"BLN3USA-_", true},   {"BLNA12345", true},  {"BLNa", false},     {"BLN4|X", false},
        {"BLN1:ab", false},    {"BLN1~", false},     {"BLN1{1", false},   {"BLN1 ", false},
        {"BLN1123456", false}, {"bln1", false},      {"XBLN1", false},    {"BL", false},
        {"BLN1\tX", false},    {"BLN1\xB3X", false}, {"BLN1\x7F", false},
    };
    for (const auto& [addressee, bulletin] : cases) {
        EXPECT_EQ(isBulletinAddressee(addressee), bulletin) << addressee;
    }
}

TEST(Message, FormattingPadsOrCutsTheAddressee) {
    EXPECT_EQ(formatMessageInfo("BLN1", "Hello"), ":BLN1     :Hello");
    EXPECT_EQ(formatMessageInfo("TOOLONGNAME", "x"), ":TOOLONGNA:x");
}

TEST(AprsIs, PasscodesMatchXastirsCallpass) {
    // Reference values from `callpass CALL` (Debian package xastir).
    const std::pair<const char*, int> cases[] = {
        {"N0CALL", 13023},
        {"DL1ABC-9", 17580},
        {"k2xyz", 14985},
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
