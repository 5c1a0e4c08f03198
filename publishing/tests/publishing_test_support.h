#pragma once

#include "bulletins/bulletin.h"
#include "bulletins/clock.h"
#include "publishing/webpage_publisher.h"
#include "testsupport/fake_clock.h"

#include "base/tests/test_files.h"

#include <string>
#include <vector>

namespace quillet::testing {

inline Bulletin bulletin(std::string callsign, std::string addressee, std::string text,
                         LocalDateTime received = makeLocalDateTime(2026, 12, 6, 9, 5, 0)) {
    return {std::move(callsign), std::move(addressee), {}, std::move(text), received, true, false};
}

// Texts that try every way out of a table cell, an attribute and a script string.
inline BulletinTable hostileTable() {
    BulletinTable table{};
    table[0] = bulletin("EVIL1", "BLN1", "<script>document.title='PWNED'</script>");
    table[1] = bulletin("EVIL2\"><img src=x onerror=\"document.body.dataset.pwned=1\">",
                        "BLN2</td><script>document.title='PWNED2'</script>",
                        "<img src=x onerror=\"document.body.dataset.pwned=2\"> & more");
    table[2] = bulletin("X');document.body.dataset.pwned=3;//", "BLN3",
                        "50% off: a \\ backslash, 'quotes' and %27 percent");
    table[3] = bulletin("Q%27)+alert(1)+(%27", "BLN4", "\x80uro \xE9t\xE9");
    return table;
}

// A publisher with what the main window gives it, and the status lines it wrote.
template <typename UploaderType> struct PublisherRig {
    TempDir program;
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    UploaderType uploader;
    std::vector<std::string> statuses;
    WebpagePublisher publisher{uploader, clock, formatter,
                               [this](const std::string& text) { statuses.push_back(text); }};
    BulletinTable table{};
    PublishInput input{.programDir = program.path(),
                       .settings = settingDefaults(),
                       .bulletins = table,
                       .stationCallsign = [] { return std::optional<std::string>("N0CALL"); },
                       .version = "V1.0.6"};
};

} // namespace quillet::testing
