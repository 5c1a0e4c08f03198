#include "tools/host/simulated_log.h"

#include "host/text_codec.h"

#include <gtest/gtest.h>

namespace quillet::hostapp {
namespace {

TEST(SimulatedLogTest, LinesJoinFieldsWithSuperscriptThreeAndEndWithCrLf) {
    EXPECT_EQ(logLine({u"G4ABC"_qs, u"BLN1"_qs, u"Net | tonight"_qs}),
              QString::fromUtf8("G4ABC³BLN1³Net | tonight\r\n"));
    EXPECT_EQ(toWindows1252(logLine({u"F5XYZ"_qs, u"BLN1EU"_qs, QString::fromUtf8("18°C")})),
              "F5XYZ\xB3"
              "BLN1EU\xB3"
              "18\xB0"
              "C\r\n");
}

TEST(SimulatedLogTest, GrowsInOrderAndKeepsRepeatedSendersAndAddressees) {
    SimulatedLog log;
    EXPECT_EQ(log.text(), QString());
    log.add({u"G4ABC"_qs, u"BLN4"_qs, u"Net tonight 20:00"_qs});
    log.add({u"W1AW"_qs, u"BLN5"_qs, u"Code practice"_qs});
    log.add({u"G4ABC"_qs, u"BLN4"_qs, u"Net moved to 20:30"_qs});
    EXPECT_EQ(log.text(), QString::fromUtf8("G4ABC³BLN4³Net tonight 20:00\r\n"
                                            "W1AW³BLN5³Code practice\r\n"
                                            "G4ABC³BLN4³Net moved to 20:30\r\n"));
    ASSERT_EQ(log.bulletins().size(), 3u);
    EXPECT_EQ(log.bulletins()[2].text, u"Net moved to 20:30"_qs);
}

} // namespace
} // namespace quillet::hostapp
