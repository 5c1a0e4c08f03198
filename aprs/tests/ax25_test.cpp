#include "aprs/ax25.h"

#include <gtest/gtest.h>

using namespace quillet::aprs;
using namespace std::string_literals;

namespace {

Address address(std::string_view text) {
    return parseAddressText(text).value();
}

TEST(Ax25, FramesCarryAddressBitsAsOnTheAirBothWays) {
    // N0CALL-9>APRS,WIDE1-1*:! by hand: characters shifted left, SSID in bits 1-4, C bit in
    // the destination, H bit on the repeated digipeater, end bit on the last address.
    const std::string frame = "\x82\xA0\xA4\xA6\x40\x40\xE0\x9C\x60\x86\x82\x98\x98\x72"
                              "\xAE\x92\x88\x8A\x62\x40\xE3\x03\xF0!";
    const Packet packet{address("N0CALL-9"), address("APRS"), {address("WIDE1-1*")}, "!"};
    EXPECT_EQ(encodeAx25(packet).value(), frame);
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
        const auto encoded = encodeAx25(p);
        ASSERT_TRUE(encoded.ok()) << encoded.error();
        EXPECT_EQ(decodeAx25(encoded.value()).value(), p);
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
    EXPECT_EQ(decodeAx25(dest + src + "\x13\xF0ok").value().info, "ok"); // poll bit set
}

TEST(Ax25, AddressesAreCheckedForTransmit) {
    const std::pair<std::string, std::string> good[] = {
        {"WIDE1-1", "WIDE1-1"},     {"TCPIP*", "TCPIP*"}, {"n0call-09", "N0CALL-9"},
        {"DL1ABC-15", "DL1ABC-15"}, {"A-0", "A"},
    };
    for (const auto& [text, canonical] : good) {
        EXPECT_EQ(addressText(parseAddressText(text).value()), canonical);
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

} // namespace
