#pragma once

#include "bulletins/bulletin.h"
#include "bulletins/clock.h"
#include "settings/settings.h"

#include <chrono>
#include <optional>

namespace quillet {

// Whether the board a page shows differs between two tables: a bulletin new, replaced or
// gone. A read mark is the operator's and changes nothing on the page.
bool boardChanged(const BulletinTable& before, const BulletinTable& after);

// When the page follows the board: a change is published a few seconds later, so that a
// burst of bulletins makes one run; runs never overlap; copying goes at once, but an upload
// starts at most once a minute, and a change held back by that minute goes up when it ends.
// The minute schedule's run goes through here too, so it keeps to the same minute.
//
// Times are the clock's steady ones, so that a change of the wall clock moves nothing.
class PublishPacing {
public:
    using Instant = std::chrono::steady_clock::time_point;
    explicit PublishPacing(const Clock& clock) : m_clock(clock) {}
    static constexpr std::chrono::seconds kSettle{2};
    static constexpr std::chrono::seconds kUploadSpacing{60};

    struct Run {
        bool upload = false;
        bool scheduled = false; // the schedule's run is in it, and reports as such a run does
        // The settings this run delivers with: a run without its upload only copies.
        Settings settings(Settings current) const {
            current.ftpEnabled = current.ftpEnabled && upload;
            return current;
        }
    };

    // The board changed; `copying` and `uploading` are the two delivery switches.
    void changed(bool copying, bool uploading);
    // The schedule wants a whole run now.
    void scheduled(bool copying, bool uploading);
    // The run to start now, if one is due and none is under way; it counts as started.
    std::optional<Run> start();
    void ended();
    // How long until a run falls due, if one waits; nothing while a run is under way.
    std::optional<std::chrono::milliseconds> untilDue() const;

private:
    void want(Instant copyAt, Instant uploadAt, bool copying, bool uploading);
    Instant uploadAllowedFrom(Instant at) const;

    const Clock& m_clock;
    std::optional<Instant> m_copyDue;
    std::optional<Instant> m_uploadDue;
    std::optional<Instant> m_lastUpload;
    bool m_scheduled = false;
    bool m_running = false;
};

} // namespace quillet
