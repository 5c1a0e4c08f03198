#include "publishing/publish_pacing.h"

#include <algorithm>
#include <utility>

namespace quillet {

bool boardChanged(const BulletinTable& before, const BulletinTable& after) {
    for (std::size_t slot = 0; slot < before.size(); ++slot) {
        const Bulletin& a = before[slot];
        const Bulletin& b = after[slot];
        if (a.inUse != b.inUse || a.callsign != b.callsign || a.addressee != b.addressee ||
            a.text != b.text || a.received != b.received) {
            return true;
        }
    }
    return false;
}

namespace {

void keepEarlier(std::optional<PublishPacing::Instant>& due, PublishPacing::Instant at) {
    due = due ? std::min(*due, at) : at;
}

} // namespace

PublishPacing::Instant PublishPacing::uploadAllowedFrom(Instant at) const {
    return m_lastUpload ? std::max(at, *m_lastUpload + kUploadSpacing) : at;
}

void PublishPacing::want(Instant copyAt, Instant uploadAt, bool copying, bool uploading) {
    if (copying) {
        keepEarlier(m_copyDue, copyAt);
    }
    if (uploading) {
        keepEarlier(m_uploadDue, uploadAllowedFrom(uploadAt));
    }
}

void PublishPacing::changed(bool copying, bool uploading) {
    const Instant settled = m_clock.steadyNow() + kSettle;
    want(settled, settled, copying, uploading);
}

void PublishPacing::scheduled(bool copying, bool uploading) {
    m_scheduled = copying || uploading;
    want(m_clock.steadyNow(), m_clock.steadyNow(), copying, uploading);
}

std::optional<PublishPacing::Run> PublishPacing::start() {
    const Instant now = m_clock.steadyNow();
    if (m_running) {
        return std::nullopt;
    }
    const bool copy = m_copyDue && *m_copyDue <= now;
    const bool upload = m_uploadDue && *m_uploadDue <= now;
    if (!copy && !upload) {
        return std::nullopt;
    }
    // Every run copies when copying is on, so a copy that waits goes with it.
    m_copyDue.reset();
    if (upload) {
        m_uploadDue.reset();
        m_lastUpload = now;
    }
    m_running = true;
    return Run{upload, std::exchange(m_scheduled, false)};
}

void PublishPacing::ended() {
    m_running = false;
}

std::optional<std::chrono::milliseconds> PublishPacing::untilDue() const {
    if (m_running || (!m_copyDue && !m_uploadDue)) {
        return std::nullopt;
    }
    const Instant due = m_copyDue && m_uploadDue
                            ? std::min(*m_copyDue, *m_uploadDue)
                            : m_copyDue.value_or(m_uploadDue.value_or(Instant{}));
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(due - m_clock.steadyNow()),
                    std::chrono::milliseconds{0});
}

} // namespace quillet
