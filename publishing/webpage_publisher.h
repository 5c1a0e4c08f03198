#pragma once

#include "base/result.h"
#include "bulletins/bulletin.h"
#include "bulletins/clock.h"
#include "bulletins/date_time_formatter.h"
#include "publishing/page_text.h"
#include "publishing/uploader.h"
#include "settings/settings.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kPublishErrorPrefix = "Error doing web page update -> ";
inline constexpr std::string_view kPublishSkipped =
    "Web page update skipped: the previous one is still in progress";
inline constexpr std::string_view kPublishOff =
    "Nothing was published: copying and FTP upload are both off in Setup";

// What one publishing run reads from the main window.
struct PublishInput {
    std::filesystem::path programDir;
    Settings settings; // a copy: the Setup window may change the settings during an upload
    const BulletinTable& bulletins;
    // The host's StationCallsign; nothing when the host did not answer, which stops the run
    // before the page is written.
    std::function<std::optional<std::string>()> stationCallsign;
    std::string version; // "V1.0.6"
};

// One publishing run: the page from the template, then its delivery by copy and upload.
// Everything it has to tell the operator goes to the status line through `setStatus`.
class WebpagePublisher {
public:
    using StatusSink = std::function<void(const std::string&)>;

    WebpagePublisher(Uploader& uploader, const Clock& clock, const DateTimeFormatter& formatter,
                     StatusSink setStatus);

    // With copying and upload both off: returns at once and leaves the status line alone.
    // Otherwise empties the status line, generates the page and delivers it; a failure puts
    // "Error doing web page update -> " and its description there. A run that starts while
    // another is still under way is skipped, and says so, rather than restaging the files
    // that are being sent.
    void webpageAction(const PublishInput& input) {
        if (begin(input.settings)) {
            end(run(input));
        }
    }

    // The same run in three steps, so that the slow middle one can go to a worker while the
    // window goes on: `begin` and `end` on the window's thread, `run` anywhere, once per
    // `begin` that returned true.
    // A run the board's changes started passes `quiet`: it leaves the status line alone
    // unless it fails, so a bulletin arriving does not wipe what the operator reads there.
    bool begin(const Settings& settings, bool quiet = false);
    Status run(const PublishInput& input);
    void end(const Status& outcome);

    bool busy() const { return m_busy; }

private:
    static Status writeFeeds(const PublishInput& input, const Clock& clock);

    Uploader& m_uploader;
    const Clock& m_clock;
    PageDateText m_dateText;
    StatusSink m_setStatus;
    bool m_busy = false;
};

} // namespace quillet
