#include "bulletins/date_time_formatter.h"
#include "publishing/page_generator.h"
#include "publishing/page_text.h"
#include "publishing_test_support.h"
#include "testsupport/fake_clock.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using namespace quillet;
using namespace quillet::testing;

namespace {

constexpr const char* kRowOfAlpha =
    "<tr><td><a href=\"javascript:go('ALPHA-9')\">ALPHA-9</a></td><td>2026-12-06 09:05:00"
    "<td>BLN1</td><td>First text</td></tr>\r\n";

class Generation : public ::testing::Test {
protected:
    TempDir dir;
    FakeClock clock{makeLocalDateTime(2026, 12, 6, 12, 30, 15)};
    IsoDateTimeFormatter formatter;
    PageDateText dateText{formatter};
    BulletinTable table{};
    int callsignAsked = 0;
    std::optional<std::string> stationCallsign = "N0CALL-1";
    PageInput input() {
        return {.bulletins = table,
                .stationCallsign = [this] { return ++callsignAsked, stationCallsign; },
                .version = "V1.0.6",
                .pageName = "index.htm"};
    }
    std::string render(const std::string& templateText) {
        std::string page;
        const Status rendered = renderPage(templateText, input(), clock, dateText, page);
        EXPECT_TRUE(rendered.ok()) << rendered.error();
        return page;
    }
};

TEST_F(Generation, TemplateLinesAndPlaceholdersBecomeThePageAndMidnightIsTheDateAlone) {
    table[0] = bulletin("ALPHA-9", "BLN1", "First text");
    table[1] = bulletin("BRAVO", "BLN2", "Second");
    table[1].inUse = false;
    table[7] = bulletin("ZULU", "BLN9", "late slot", makeLocalDateTime(2026, 12, 5));
    const std::string rows = std::string(kRowOfAlpha) +
                             "<tr><td><a href=\"javascript:go('ZULU')\">ZULU</a></td><td>"
                             "2026-12-05<td>BLN9</td><td>late slot</td></tr>\r\n";
    const std::pair<std::string, std::string> cases[] = {
        // CR LF, LF and CR all end a line; a last line without an end still counts
        {"<html>\r\nplain\nlone\rlast", "<html>\r\nplain\r\nlone\r\nlast\r\n"},
        {"one\r\n\r\ntwo\r\n", "one\r\n\r\ntwo\r\n"},
        {"", ""},
        // rows first, in slot order, then the rest of the line; every occurrence goes
        {"before\r\nx$RAWDATAy\r\nafter", "before\r\n" + rows + "xy\r\nafter\r\n"},
        {"$CALLSIGN and $CALLSIGN, not $callsign", "N0CALL-1 and N0CALL-1, not $callsign\r\n"},
        {"v=$VERSION t=$GENERATED v=$VERSION", "v=V1.0.6 t=2026-12-06 12:30:15 v=V1.0.6\r\n"},
    };
    for (const auto& [templateText, page] : cases) {
        EXPECT_EQ(render(templateText), page) << templateText;
    }
    clock.set(makeLocalDateTime(2026, 12, 6)); // midnight exactly is the date alone
    EXPECT_EQ(render("[$GENERATED]"), "[2026-12-06]\r\n");
    stationCallsign = "$CALLSIGN"; // a value holding a placeholder is not replaced again
    EXPECT_EQ(render("<$CALLSIGN>"), "<$CALLSIGN>\r\n");
    // A 12-hour form ("2031-01-21 12:00:59 AM"), whose midnight is not all zeros.
    class TwelveHour final : public DateTimeFormatter {
    public:
        std::string format(LocalDateTime t) const override {
            std::string text = IsoDateTimeFormatter().format(t);
            const int hour = std::stoi(text.substr(11, 2));
            return text.replace(11, 2, std::to_string(hour % 12 == 0 ? 12 : hour % 12)) +
                   (hour < 12 ? " AM" : " PM");
        }
    } twelve;
    const PageDateText text(twelve);
    EXPECT_EQ(text(makeLocalDateTime(2031, 1, 21)), "2031-01-21");
    EXPECT_EQ(text(makeLocalDateTime(2031, 1, 21, 12)), "2031-01-21 12:00:00 PM");
    EXPECT_EQ(text(makeLocalDateTime(2031, 1, 21, 0, 0, 59)), "2031-01-21 12:00:59 AM");
}

// The page is written whole and renamed into place: a missing template or a silent host
// leaves the previous page as it was. The host is asked once per line with the callsign.
TEST_F(Generation, ThePageIsQuilletHtmAFailureKeepsThePreviousOneAndTextsCannotInject) {
    writeBytes(dir / "quillet.template", "<p>$CALLSIGN</p>\n$CALLSIGN $CALLSIGN\n");
    ASSERT_TRUE(generateWebpage(dir.path(), input(), clock, dateText).ok());
    EXPECT_EQ(readBytes(dir / "quillet.htm"), "<p>N0CALL-1</p>\r\nN0CALL-1 N0CALL-1\r\n");
    EXPECT_EQ(callsignAsked, 2);
    stationCallsign = std::nullopt;
    EXPECT_EQ(generateWebpage(dir.path(), input(), clock, dateText).error(),
              "the host did not tell the station callsign");
    fs::remove(dir / "quillet.template");
    const Status missing = generateWebpage(dir.path(), input(), clock, dateText);
    EXPECT_NE(missing.error().find("quillet.template is missing"), std::string::npos);
    EXPECT_EQ(readBytes(dir / "quillet.htm"), "<p>N0CALL-1</p>\r\nN0CALL-1 N0CALL-1\r\n");
    EXPECT_FALSE(fs::exists(dir / "quillet.htm.new"));
    table = hostileTable();
    stationCallsign = "ME<b>";
    const std::string page = render("<h1>$CALLSIGN</h1>\r\n$RAWDATA");
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;document.title=&#39;PWNED&#39;&lt;/script&gt;"),
              std::string::npos);
    EXPECT_NE(page.find("BLN2&lt;/td&gt;"), std::string::npos);
    EXPECT_NE(page.find("&quot;&gt; &amp; more</td>"), std::string::npos) << "& is escaped too";
    EXPECT_NE(page.find("\x80uro \xE9t\xE9"), std::string::npos) << "8-bit text stays as it is";
    // Every row keeps its shape, and nothing in the script argument can close the string,
    // the attribute or the URL.
    const std::regex row("<tr><td><a href=\"javascript:go\\('([A-Za-z0-9\\\\_./-]*)'\\)\">"
                         "[^<>\"]*</a></td><td>[^<>]*<td>[^<>]*</td><td>[^<>]*</td></tr>\r");
    std::size_t rows = 0;
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("<tr>")) {
            ++rows;
            EXPECT_TRUE(std::regex_match(line, row)) << line;
        }
    }
    EXPECT_EQ(rows, 4u);
}

} // namespace
