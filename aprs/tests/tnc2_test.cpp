#include "aprs/tnc2.h"

#include "aprs/third_party.h"

#include <gtest/gtest.h>

using namespace quillet::aprs;

namespace {

TEST(Tnc2, LinesAsAprsIsSendsThemComeBackUnchanged) {
    const char* lines[] = {
        "N0CALL-9>APZQLT,WIDE1-1,WIDE2-1,qAR,DB0ABC-10::BLN1     :Net tonight{42",
        "DL1ABC>APRS,TCPIP*,qAC,T2XXX:!5000.00N/00800.00E-a:b>c,d",
        "OH2ABC-AB>APRS,qAS,T2FINLAND::BLNA     :x",
        "VK2TDS-15>APRS,WIDE2-0,qAO,N0CALL-1:",
        "A>B:",
    };
    for (const char* line : lines) {
        const auto packet = parseTnc2(line);
        ASSERT_TRUE(packet.ok()) << line << ": " << packet.error();
        EXPECT_EQ(formatTnc2(packet.value()), line);
    }
    const Packet p = parseTnc2("DL1ABC-15>APRS,WIDE1-1*,qAR,WIDE2-0,X-16:hi:there\r\n").value();
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
        {"N0 CALL>APRS:x", "TNC2 line with a bad source: N0 CALL"},
        {"N0CALL>:x", "TNC2 line with a bad destination: "},
        {"N0CALL>APRS,,WIDE1:x", "TNC2 line with a bad path: "},
        {"N0CALL>APRS,WI>DE:x", "TNC2 line with a bad path: WI>DE"},
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
        const auto packet = unwrapThirdParty(parseTnc2(outer).value());
        EXPECT_EQ(packet ? formatTnc2(packet.value()) : packet.error(), expected) << outer;
    }
}

} // namespace
