#include "publishing/webpage_publisher.h"

#include "publishing/delivery.h"
#include "publishing/page_generator.h"

namespace quillet {

WebpagePublisher::WebpagePublisher(Uploader& uploader, const Clock& clock,
                                   const DateTimeFormatter& formatter, StatusSink setStatus)
    : m_uploader(uploader), m_clock(clock), m_dateText(formatter),
      m_setStatus(std::move(setStatus)) {}

bool WebpagePublisher::begin(const Settings& settings) {
    if (!settings.autoCopyEnabled && !settings.ftpEnabled) {
        return false;
    }
    if (m_busy) {
        m_setStatus(std::string(kPublishSkipped));
        return false;
    }
    m_busy = true;
    m_setStatus({});
    return true;
}

Status WebpagePublisher::run(const PublishInput& input) {
    const PageInput page{.bulletins = input.bulletins,
                         .stationCallsign = input.stationCallsign,
                         .version = input.version};
    Status published = generateWebpage(input.programDir, page, m_clock, m_dateText);
    if (published) {
        published = deliverWebpage(input.programDir, input.settings, m_uploader);
    }
    return published;
}

void WebpagePublisher::end(const Status& outcome) {
    m_busy = false;
    if (!outcome) {
        m_setStatus(std::string(kPublishErrorPrefix) + outcome.error());
    }
}

} // namespace quillet
