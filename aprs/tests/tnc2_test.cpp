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
    const Packet p = parseTnc2("DL1ABC-15>APRS,WIDE1-1*,qAR,T2X:hi:there\r\n").value();
    EXPECT_EQ(p.source, (Address{"DL1ABC", 15}));
    EXPECT_EQ(p.destination, (Address{"APRS", 0}));
    const std::vector<Address> path = {{"WIDE1", 1, true}, {"qAR", 0}, {"T2X", 0}};
    EXPECT_EQ(p.path, path);
    EXPECT_EQ(p.info, "hi:there");
    // Not an SSID as AX.25 writes it: the whole text is the call.
    EXPECT_EQ(parseTnc2("A>B,WIDE2-0,X-16:").value().path[0].call, "WIDE2-0");
    EXPECT_EQ(parseTnc2("A>B,WIDE2-0,X-16:").value().path[1].call, "X-16");
}

TEST(Tnc2, BadLinesSayWhatIsWrong) {
    const std::pair<std::string, std::string> cases[] = {
        {"N0CALL>APRS no colon", "TNC2 line without ':'"},
        {"N0CALL APRS:text", "TNC2 line without '>'"},
        {"# aprsc 2.1.4 7 Dec 2026 02:22:44 GMT T2TEST", "TNC2 line without '>'"},
        {"N0CALL>APRS:" + std::string(100 * 1024, 'x'), "TNC2 line too long"},
        {">APRS:x", "TNC2 line with a bad source: "},
        {"N0CALL-123>APRS:x", "TNC2 line with a bad source: N0CALL-123"},
        {"N0 CALL>APRS:x", "TNC2 line with a bad source: N0 CALL"},
        {"N0CALL>:x", "TNC2 line with a bad destination: "},
        {"N0CALL>APRS,,WIDE1:x", "TNC2 line with a bad path: "},
        {"N0CALL>APRS,WIDE1-1,:x", "TNC2 line with a bad path: "},
        {"N0CALL>APRS,WI>DE:x", "TNC2 line with a bad path: WI>DE"},
    };
    for (const auto& [line, error] : cases) {
        const auto packet = parseTnc2(line);
        ASSERT_FALSE(packet.ok()) << line;
        EXPECT_EQ(packet.error(), error);
    }
}

TEST(ThirdParty, TheInnermostPacketCounts) {
    const std::pair<std::string, std::string> cases[] = {
        {"IGATE>APRS,TCPIP*:}N0CALL>APZQLT,TCPIP,IGATE*::BLN1     :Hi",
         "N0CALL>APZQLT,TCPIP,IGATE*::BLN1     :Hi"},
        {"A>B:}C>D:}E>F:x", "E>F:x"},
        {"A>B::BLN1     :}not third party", "A>B::BLN1     :}not third party"},
    };
    for (const auto& [outer, inner] : cases) {
        const auto packet = unwrapThirdParty(parseTnc2(outer).value());
        ASSERT_TRUE(packet.ok()) << outer << ": " << packet.error();
        EXPECT_EQ(formatTnc2(packet.value()), inner);
    }
    EXPECT_EQ(unwrapThirdParty(parseTnc2("A>B:}garbage").value()).error(),
              "third-party packet: TNC2 line without ':'");
    std::string nested = "Z>Z:x";
    for (int i = 0; i <= kMaxThirdPartyDepth; ++i) {
        nested = "A>B:}" + nested;
    }
    EXPECT_EQ(unwrapThirdParty(parseTnc2(nested).value()).error(),
              "third-party packets nested too deep");
}

} // namespace
