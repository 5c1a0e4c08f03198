#include "publishing/webpage_publisher.h"

#include "publishing/delivery.h"
#include "publishing/page_generator.h"

namespace quillet {

WebpagePublisher::WebpagePublisher(TransferControl& inet1, TransferWait& wait, const Clock& clock,
                                   const DateTimeFormatter& formatter, StatusSink setStatus)
    : m_inet1(inet1), m_wait(wait), m_clock(clock), m_dateText(formatter),
      m_setStatus(std::move(setStatus)) {}

void WebpagePublisher::webpageAction(const PublishInput& input) {
    const Settings& settings = input.settings;
    if (!isSwitchOn(settings.autoCopyEnabled) && !isSwitchOn(settings.ftpEnabled)) {
        return;
    }
    if (m_busy) {
        m_setStatus(std::string(kPublishSkipped));
        return;
    }
    m_busy = true;
    struct BusyEnd {
        bool& busy;
        ~BusyEnd() { busy = false; }
    } busyEnd{m_busy};

    m_setStatus({});
    const PageInput page{.bulletins = input.bulletins,
                         .stationCallsign = input.stationCallsign,
                         .version = input.version};
    Status published = generateWebpage(input.programDir, page, m_clock, m_dateText);
    if (published) {
        published = deliverWebpage(input.programDir, settings, m_inet1, m_wait);
    }
    if (!published) {
        m_setStatus(std::string(kPublishErrorPrefix) + published.error());
    }
}

} // namespace quillet
