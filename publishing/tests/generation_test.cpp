#include "bulletins/date_time_formatter.h"
#include "bulletins/fake_clock.h"
#include "publishing/page_generator.h"
#include "publishing/page_text.h"
#include "publishing_test_support.h"

#include <gtest/gtest.h>

#include <regex>

using namespace quillet;
using namespace quillet::testing;

namespace {

constexpr const char* kRowOfAlpha =
    "<tr><td><a href=\"javascript:go('ALPHA-9')\">ALPHA-9</a></td><td>2026-12-06 09:05:00"
    "<td>BLN1</td><td>First text</td></tr>";

class Generation : public ::testing::Test {
protected:
    FakeClock clock{makeLocalDateTime(2026, 12, 6, 12, 30, 15)};
    IsoDateTimeFormatter formatter;
    PageDateText dateText{formatter};
    BulletinTable table{};
    int callsignAsked = 0;
    std::optional<std::string> stationCallsign = "N0CALL-1";

    PageInput input() {
        return {.bulletins = table,
                .stationCallsign =
                    [this] {
                        ++callsignAsked;
                        return stationCallsign;
                    },
                .version = "V1.0.6"};
    }
    std::string render(const std::string& templateText) {
        std::string page;
        const auto error = renderPage(templateText, input(), clock, dateText, page);
        EXPECT_FALSE(error) << *error;
        return page;
    }
    void useThreeSlots() {
        table[0] = bulletin("ALPHA-9", "BLN1", "First text");
        table[1] = bulletin("BRAVO", "BLN2", "Second");
        table[2] = bulletin("CHARLIE", "BLNAEU", "Third");
    }
};

TEST_F(Generation, TemplateLinesAreCopiedEachEndingWithCrLf) {
    // CR LF, LF alone and CR alone all end a template line; a last line without an end
    // still counts, and no line is made up after the last end.
    EXPECT_EQ(render("<html>\r\nplain\nlone\rlast"), "<html>\r\nplain\r\nlone\r\nlast\r\n");
    EXPECT_EQ(render("one\r\n\r\ntwo\r\n"), "one\r\n\r\ntwo\r\n");
    EXPECT_EQ(render(""), "");
    EXPECT_EQ(callsignAsked, 0);
}

TEST_F(Generation, RawDataGivesTheRowsThenTheRestOfItsLine) {
    useThreeSlots();
    const std::string alone = render("$RAWDATA\r\n");
    EXPECT_TRUE(alone.starts_with(std::string(kRowOfAlpha) + "\r\n")) << alone;
    EXPECT_EQ(std::count(alone.begin(), alone.end(), '\n'), 4);
    EXPECT_TRUE(alone.ends_with("</td></tr>\r\n\r\n")) << "the rest of the line is empty";
    EXPECT_LT(alone.find(">BRAVO<"), alone.find(">CHARLIE<"));

    const std::string page = render("before\r\nx$RAWDATAy\r\nafter\r\n");
    EXPECT_TRUE(page.starts_with("before\r\n" + std::string(kRowOfAlpha) + "\r\n"));
    EXPECT_TRUE(page.ends_with("</td></tr>\r\nxy\r\nafter\r\n")) << page;

    // every occurrence goes, the rows come once
    EXPECT_EQ(render("[$RAWDATA|$RAWDATA]"), alone.substr(0, alone.size() - 2) + "[|]\r\n");
    table = {};
    EXPECT_EQ(render("x$RAWDATAy"), "xy\r\n");
}

TEST_F(Generation, OnlySlotsInUseBecomeRowsInSlotOrder) {
    useThreeSlots();
    table[1].inUse = false;
    table[7] = bulletin("ZULU", "BLN9", "late slot");
    const std::string page = render("$RAWDATA");
    EXPECT_EQ(page.find("BRAVO"), std::string::npos);
    EXPECT_LT(page.find("ALPHA-9"), page.find("CHARLIE"));
    EXPECT_LT(page.find("CHARLIE"), page.find("ZULU"));
    EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), 4);
}

TEST_F(Generation, EveryPlaceholderIsReplacedWhereverItStands) {
    EXPECT_EQ(render("$CALLSIGN and $CALLSIGN, not $callsign or $Callsign"),
              "N0CALL-1 and N0CALL-1, not $callsign or $Callsign\r\n");
    EXPECT_EQ(render("v=$VERSION t=$GENERATED v=$VERSION"),
              "v=V1.0.6 t=2026-12-06 12:30:15 v=V1.0.6\r\n");
    EXPECT_EQ(render("$CALLSIGN$VERSION$GENERATED"), "N0CALL-1V1.0.62026-12-06 12:30:15\r\n");
    // a value holding a placeholder is not replaced again
    stationCallsign = "$CALLSIGN";
    EXPECT_EQ(render("<$CALLSIGN>"), "<$CALLSIGN>\r\n");
}

TEST_F(Generation, TheHostIsAskedForEachLineWithTheCallsignAndItsSilenceStopsTheRun) {
    render("$CALLSIGN\r\nno\r\n$CALLSIGN $CALLSIGN\r\n");
    EXPECT_EQ(callsignAsked, 2);

    stationCallsign = std::nullopt;
    std::string page;
    const auto error = renderPage("<title>$CALLSIGN</title>", input(), clock, dateText, page);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("callsign"), std::string::npos);
}

TEST_F(Generation, BulletinTextsCannotInjectMarkupOrScript) {
    table = hostileTable();
    stationCallsign = "ME<b>";
    const std::string page = render("<h1>$CALLSIGN</h1>\r\n$RAWDATA");
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;document.title=&#39;PWNED&#39;&lt;/script&gt;"),
              std::string::npos);
    EXPECT_NE(page.find("BLN2&lt;/td&gt;"), std::string::npos);
    EXPECT_NE(page.find("\x80uro \xE9t\xE9"), std::string::npos) << "8-bit text stays as it is";

    // Every row keeps its shape: five cells' worth of tags and nothing else.
    const std::regex row("<tr><td><a href=\"javascript:go\\('([^']*)'\\)\">[^<>\"]*</a></td>"
                         "<td>[^<>]*<td>[^<>]*</td><td>[^<>]*</td></tr>");
    std::size_t rows = 0;
    for (std::size_t at = 0, end; (end = page.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
        const std::string line = page.substr(at, end - at);
        if (line.starts_with("<tr>")) {
            ++rows;
            std::smatch match;
            ASSERT_TRUE(std::regex_match(line, match, row)) << line;
            // nothing in the script argument can close the string, the attribute or the URL
            EXPECT_EQ(match[1].str().find_first_not_of(
                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\\-_./"),
                      std::string::npos)
                << match[1];
        }
    }
    EXPECT_EQ(rows, 4u);
}

TEST(ScriptString, EscapesDecodeBackToTheWindows1252Characters) {
    // Decodes \uXXXX the way a script engine does, so the go() argument is the callsign.
    const auto decode = [](const std::string& escaped) {
        std::u32string out;
        for (std::size_t i = 0; i < escaped.size(); ++i) {
            if (escaped[i] == '\\' && escaped[i + 1] == 'u') {
                out += static_cast<char32_t>(std::stoul(escaped.substr(i + 2, 4), nullptr, 16));
                i += 5;
            } else {
                out += static_cast<char32_t>(static_cast<unsigned char>(escaped[i]));
            }
        }
        return out;
    };
    EXPECT_EQ(decode(escapeScriptString("X');alert(1)//")), U"X');alert(1)//");
    EXPECT_EQ(decode(escapeScriptString("A\"B\\C%27 <D>&E\r\n")), U"A\"B\\C%27 <D>&E\r\n");
    EXPECT_EQ(decode(escapeScriptString("\x80\x9F\xE9\xFF")), U"\u20AC\u0178\u00E9\u00FF");
    EXPECT_EQ(escapeScriptString("DL1ABC-10/x.y_z"), "DL1ABC-10/x.y_z");
}

// A 12-hour form ("2031-01-21 12:00:59 AM"), whose midnight is not all zeros.
class TwelveHourFormatter final : public DateTimeFormatter {
public:
    std::string format(LocalDateTime t) const override {
        std::string text = IsoDateTimeFormatter().format(t);
        const int hour = std::stoi(text.substr(11, 2));
        return text.replace(11, 2, std::to_string(hour % 12 == 0 ? 12 : hour % 12)) +
               (hour < 12 ? " AM" : " PM");
    }
};

TEST(PageDateTextTest, MidnightExactlyIsTheDateAloneAlsoInATwelveHourForm) {
    TwelveHourFormatter twelve;
    const PageDateText twelveText(twelve);
    EXPECT_EQ(twelveText(makeLocalDateTime(2031, 1, 21)), "2031-01-21");
    EXPECT_EQ(twelveText(makeLocalDateTime(2031, 1, 21, 12)), "2031-01-21 12:00:00 PM");
    EXPECT_EQ(twelveText(makeLocalDateTime(2031, 1, 21, 0, 0, 59)), "2031-01-21 12:00:59 AM");
}

TEST_F(Generation, MidnightTimesOnThePageAreTheDateAlone) {
    table[0] = bulletin("ALPHA", "BLN1", "x", makeLocalDateTime(2026, 12, 5));
    clock.set(makeLocalDateTime(2026, 12, 6));
    const std::string page = render("[$GENERATED]\r\n$RAWDATA");
    EXPECT_TRUE(page.starts_with("[2026-12-06]\r\n")) << page;
    clock.set(makeLocalDateTime(2026, 12, 6, 0, 0, 1));
    EXPECT_EQ(render("$GENERATED"), "2026-12-06 00:00:01\r\n");
    EXPECT_NE(page.find("<td>2026-12-05<td>BLN1"), std::string::npos) << page;
}

class GenerationFiles : public Generation {
protected:
    TempDir dir;
    std::optional<std::string> generate() {
        return generateWebpage(dir.path(), input(), clock, dateText);
    }
};

TEST_F(GenerationFiles, ThePageIsQuilletHtmInTheProgramDirectory) {
    useThreeSlots();
    writeBytes(dir / "quillet.template", "<p>$CALLSIGN</p>\n$RAWDATA\n");
    ASSERT_FALSE(generate());
    const std::string page = readBytes(dir / "quillet.htm");
    EXPECT_TRUE(page.starts_with("<p>N0CALL-1</p>\r\n" + std::string(kRowOfAlpha) + "\r\n"));
    EXPECT_FALSE(fs::exists(dir / "quillet.htm.new"));

    // an empty template empties the page
    writeBytes(dir / "quillet.template", "");
    ASSERT_FALSE(generate());
    EXPECT_TRUE(fs::exists(dir / "quillet.htm"));
    EXPECT_EQ(fs::file_size(dir / "quillet.htm"), 0u);
}

TEST_F(GenerationFiles, AFailedGenerationLeavesThePreviousPageUntouched) {
    writeBytes(dir / "quillet.htm", "previous page");
    const auto missing = generate();
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->find("quillet.template"), std::string::npos) << *missing;
    EXPECT_NE(missing->find("missing"), std::string::npos) << *missing;
    EXPECT_EQ(readBytes(dir / "quillet.htm"), "previous page");

    writeBytes(dir / "quillet.template", "a\r\n$CALLSIGN\r\n");
    stationCallsign = std::nullopt;
    ASSERT_TRUE(generate());
    EXPECT_EQ(readBytes(dir / "quillet.htm"), "previous page");
}

} // namespace
