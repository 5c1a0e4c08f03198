#include "publishing/page_generator.h"

#include "base/files.h"
#include "publishing/feed_writer.h"

namespace quillet {

namespace {

constexpr std::string_view kCallsignPlaceholder = "$CALLSIGN";
constexpr std::string_view kVersionPlaceholder = "$VERSION";
constexpr std::string_view kGeneratedPlaceholder = "$GENERATED";
constexpr std::string_view kRawDataPlaceholder = "$RAWDATA";
constexpr std::string_view kFeedsPlaceholder = "$FEEDS";
constexpr std::string_view kLineEnd = "\r\n";

// Replaces every occurrence, scanning on after each inserted text so that a value holding
// the placeholder itself is not replaced again. Returns whether there was one.
bool replaceAll(std::string& line, std::string_view placeholder, std::string_view value) {
    bool found = false;
    std::size_t at = 0;
    while ((at = line.find(placeholder, at)) != std::string::npos) {
        line.replace(at, placeholder.size(), value);
        at += value.size();
        found = true;
    }
    return found;
}

// The next line of `text` from `pos`, without its end. The template is meant to end its
// lines with CR LF, but one edited on this system ends them with LF alone, so CR LF, LF and
// a lone CR all end a line; a last line without an end still counts.
std::string_view nextLine(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
        pos = text.size();
        return text.substr(start);
    }
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') {
        ++pos;
    }
    return text.substr(start, end - start);
}

} // namespace

Status renderPage(std::string_view templateBytes, const PageInput& input, const Clock& clock,
                  const PageDateText& dateText, std::string& page) {
    page.clear();
    page.reserve(templateBytes.size() + 8192);
    std::size_t pos = 0;
    while (pos < templateBytes.size()) {
        std::string line(nextLine(templateBytes, pos));
        // First, so that a callsign holding "$FEEDS" stays text; the links it inserts are
        // percent-encoded and hold no "$".
        if (line.find(kFeedsPlaceholder) != std::string::npos) {
            replaceAll(line, kFeedsPlaceholder, feedLinks(input.pageName));
        }
        if (line.find(kCallsignPlaceholder) != std::string::npos) {
            const std::optional<std::string> callsign =
                input.stationCallsign ? input.stationCallsign() : std::nullopt;
            if (!callsign) {
                return fail("the host did not tell the station callsign");
            }
            replaceAll(line, kCallsignPlaceholder, escapeHtml(*callsign));
        }
        replaceAll(line, kVersionPlaceholder, input.version);
        if (line.find(kGeneratedPlaceholder) != std::string::npos) {
            replaceAll(line, kGeneratedPlaceholder, escapeHtml(dateText(clock.now())));
        }
        if (replaceAll(line, kRawDataPlaceholder, {})) {
            // The rows come first; the rest of the line follows on a line of its own.
            for (const Bulletin& bulletin : input.bulletins) {
                if (bulletin.inUse) {
                    page += rowLine(bulletin, dateText);
                    page += kLineEnd;
                }
            }
        }
        page += line;
        page += kLineEnd;
    }
    return {};
}

Status generateWebpage(const std::filesystem::path& programDir, const PageInput& input,
                       const Clock& clock, const PageDateText& dateText) {
    const std::filesystem::path templateFile = programDir / kTemplateFileName;
    const auto read = readFile(templateFile);
    if (!read) {
        return fail(cannotRead(templateFile, read.error()));
    }
    if (!*read) {
        return fail("the page template " + templateFile.string() + " is missing");
    }
    std::string page;
    if (Status rendered = renderPage(**read, input, clock, dateText, page); !rendered) {
        return rendered;
    }
    const std::filesystem::path pageFile = programDir / kPageFileName;
    return replaceFile(pageFile, page, programDir / (std::string(kPageFileName) + ".new"));
}

} // namespace quillet
