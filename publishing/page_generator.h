#pragma once

#include "base/result.h"
#include "bulletins/bulletin.h"
#include "bulletins/clock.h"
#include "publishing/page_text.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kTemplateFileName = "quillet.template";
inline constexpr std::string_view kPageFileName = "quillet.htm";

// What the page is made of besides its template.
struct PageInput {
    const BulletinTable& bulletins;
    // Asked for every template line that holds "$CALLSIGN"; nothing when the host did not
    // answer, which stops the run.
    std::function<std::optional<std::string>()> stationCallsign;
    std::string version;  // "V1.0.6"
    std::string pageName; // HTML_FILENAME: the feeds' links in the head follow it
};

// Fills the template's placeholders, line by line, into `page`; every line written ends
// with CR LF. A failure leaves `page` incomplete.
Status renderPage(std::string_view templateBytes, const PageInput& input, const Clock& clock,
                  const PageDateText& dateText, std::string& page);

// quillet.template into quillet.htm, both in the program directory. The page is written
// whole under a temporary name and renamed into place, so a failed run, a missing template
// included, leaves the previous page as it was.
Status generateWebpage(const std::filesystem::path& programDir, const PageInput& input,
                       const Clock& clock, const PageDateText& dateText);

} // namespace quillet
