#pragma once

#include "base/result.h"
#include "bulletins/bulletin.h"
#include "bulletins/clock.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

// The feeds are written beside the page in the program directory, then copied and uploaded
// under the page's own name with these extensions.
inline constexpr std::string_view kAtomFeedFileName = "quillet.atom";
inline constexpr std::string_view kJsonFeedFileName = "quillet.json";

// The published names of the feeds: the page name without its extension, then ".atom" and
// ".json" ("index.htm" gives "index.atom" and "index.json").
struct FeedNames {
    std::string atom;
    std::string json;
};
FeedNames feedNames(std::string_view pageName);

// What both feeds are made of; the bulletins are the same table the page shows.
struct FeedInput {
    const BulletinTable& bulletins;
    std::string station; // the host's StationCallsign
    std::string version; // "V1.0.6"
    LocalDateTime generated;
    std::string pageName; // HTML_FILENAME, as the page is published
    // Where the published page can be read ("https://example.org/aprs/index.htm"); empty
    // when unknown, and then the feeds link to the page by its name only and have no self link.
    std::string pageUrl;
};

// PAGE_URL is empty or an http or https address without blanks, quotes or angle brackets;
// anything else is refused with a line that says what is wrong.
Status checkPageUrl(std::string_view url);

// "2026-12-06T12:00:00+01:00": RFC 3339 with the offset the clock gives for that time.
std::string rfc3339(LocalDateTime t, std::chrono::seconds utcOffset);

// A permanent id that no text from the air can shape: a name-based urn:uuid of the station,
// the sender and the addressee. A bulletin replaced by a newer one keeps it.
std::string bulletinEntryId(std::string_view station, std::string_view callsign,
                            std::string_view addressee);

// Atom 1.0 and JSON Feed 1.1 documents in UTF-8, one entry per bulletin in use.
std::string atomFeed(const FeedInput& input, const Clock& clock);
std::string jsonFeed(const FeedInput& input, const Clock& clock);

// Both feeds into the program directory, each written whole and renamed into place.
Status writeFeeds(const std::filesystem::path& programDir, const FeedInput& input,
                  const Clock& clock);

// The page head's links to both feeds, for the template's "$FEEDS".
std::string feedLinks(std::string_view pageName);

} // namespace quillet
