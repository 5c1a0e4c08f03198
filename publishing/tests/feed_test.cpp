// What the feeds' readers go by besides the document's shape, which the live test's feed
// readers and the fuzz target check: times, ids, names and the page's links.
#include "publishing/feed_writer.h"
#include "publishing/page_generator.h"
#include "publishing_test_support.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

TEST(Feeds, TimesCarryTheirOffsetAndIdsFollowStationSenderAndAddresseeOnly) {
    const LocalDateTime t = makeLocalDateTime(2026, 3, 9, 7, 5, 3);
    for (const auto& [offset, text] : {std::pair{3600, "2026-03-09T07:05:03+01:00"},
                                       std::pair{-12600, "2026-03-09T07:05:03-03:30"}}) {
        EXPECT_EQ(rfc3339(t, std::chrono::seconds(offset)), text);
    }
    const std::string id = bulletinEntryId("N0CALL", "W1AW", "BLN1");
    EXPECT_EQ(id.substr(0, 9) + id[23] + std::to_string(id.size()), "urn:uuid:845"); // version 8
    for (const std::string& other :
         {bulletinEntryId("N0CALM", "W1AW", "BLN1"), bulletinEntryId("N0CALL", "W1AX", "BLN1"),
          bulletinEntryId("N0CALL", "W1AW", "BLN2"), bulletinEntryId("N0CALL", "W1A", "WBLN1")}) {
        EXPECT_NE(other, id);
    }
}

// The feeds take the page's name; the template's "$FEEDS" links to them, percent-encoded, and
// they link back by the page's name alone while its address is unknown.
TEST(Feeds, NamesAndLinksFollowThePageAndItsAddress) {
    const BulletinTable table{};
    const FakeClock clock;
    const IsoDateTimeFormatter formatter;
    std::string page;
    const PageInput input{table, {}, "V1", "my $CALLSIGN.htm"};
    ASSERT_TRUE(
        renderPage("<head>$FEEDS</head>", input, clock, PageDateText(formatter), page).ok());
    EXPECT_EQ(page, "<head><link rel=\"alternate\" type=\"application/atom+xml\" title=\"Atom\" "
                    "href=\"my%20%24CALLSIGN.atom\">\r\n<link rel=\"alternate\" "
                    "type=\"application/feed+json\" title=\"JSON Feed\" "
                    "href=\"my%20%24CALLSIGN.json\"></head>\r\n");
    const FeedInput feed{table, "N0CALL", "V1", clock.now(), "my page.htm", ""};
    EXPECT_NE(atomFeed(feed, clock)
                  .find("<link rel=\"alternate\" type=\"text/html\" "
                        "href=\"my%20page.htm\"/>\n</feed>"),
              std::string::npos); // and no self link without the page's address
    for (const char* bad : {"ftp://example.org/x", "https://", "https://a b", "example.org",
                            "https://x/\"><script>"}) {
        EXPECT_TRUE(checkPageUrl(bad).error().starts_with("PAGE_URL ")) << bad;
    }
    EXPECT_TRUE(checkPageUrl("").ok());
}

} // namespace
