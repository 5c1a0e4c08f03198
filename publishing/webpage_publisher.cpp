#include "publishing/webpage_publisher.h"

#include "publishing/delivery.h"
#include "publishing/feed_writer.h"
#include "publishing/page_generator.h"

namespace quillet {

WebpagePublisher::WebpagePublisher(Uploader& uploader, const Clock& clock,
                                   const DateTimeFormatter& formatter, StatusSink setStatus)
    : m_uploader(uploader), m_clock(clock), m_dateText(formatter),
      m_setStatus(std::move(setStatus)) {}

bool WebpagePublisher::begin(const Settings& settings, bool quiet) {
    if (!settings.autoCopyEnabled && !settings.ftpEnabled) {
        return false;
    }
    if (m_busy) {
        m_setStatus(std::string(kPublishSkipped));
        return false;
    }
    m_busy = true;
    if (!quiet) {
        m_setStatus({});
    }
    return true;
}

Status WebpagePublisher::run(const PublishInput& input) {
    const PageInput page{.bulletins = input.bulletins,
                         .stationCallsign = input.stationCallsign,
                         .version = input.version,
                         .pageName = input.settings.htmlFileName};
    Status published = generateWebpage(input.programDir, page, m_clock, m_dateText);
    if (published) {
        published = writeFeeds(input, m_clock);
    }
    if (published) {
        published = deliverWebpage(input.programDir, input.settings, m_uploader);
    }
    return published;
}

// The feeds come from the same table as the page, taken at the same moment.
Status WebpagePublisher::writeFeeds(const PublishInput& input, const Clock& clock) {
    const std::optional<std::string> station =
        input.stationCallsign ? input.stationCallsign() : std::nullopt;
    if (!station) {
        return fail("the host did not tell the station callsign");
    }
    if (Status url = checkPageUrl(input.settings.pageUrl); !url) {
        return url;
    }
    const FeedInput feeds{.bulletins = input.bulletins,
                          .station = *station,
                          .version = input.version,
                          .generated = clock.now(),
                          .pageName = input.settings.htmlFileName,
                          .pageUrl = input.settings.pageUrl};
    return quillet::writeFeeds(input.programDir, feeds, clock);
}

void WebpagePublisher::end(const Status& outcome) {
    m_busy = false;
    if (!outcome) {
        m_setStatus(std::string(kPublishErrorPrefix) + outcome.error());
    }
}

} // namespace quillet
