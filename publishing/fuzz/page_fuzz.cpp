// libFuzzer target: bulletins and a station callsign made of any bytes, rendered into the
// page. No byte of theirs may reach the page unescaped: every <, >, " and ' in the page
// belongs to the row markup, every & starts a character reference, and the callsign inside
// go('...') holds only letters, digits, - _ . / and \u escapes.
#include "publishing/page_generator.h"
#include "testsupport/fake_clock.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

std::size_t count(std::string_view text, char c) {
    std::size_t n = 0;
    for (const char x : text) {
        n += x == c ? 1 : 0;
    }
    return n;
}

// Cuts the input into fields at 0x00 bytes.
std::string_view nextField(std::string_view& input) {
    const auto cut = input.find('\0');
    const std::string_view field = input.substr(0, cut);
    input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillet;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const FakeClock clock;
    const IsoDateTimeFormatter formatter;
    const PageDateText dateText(formatter);

    // The template's placeholders are filled one after another on the same line, so a "$"
    // in the station's own callsign could name a later placeholder; that callsign is the
    // operator's and takes no "$". Bulletin fields are taken as they come.
    std::string station(nextField(input));
    std::replace(station.begin(), station.end(), '$', '_');
    BulletinTable table{};
    int rows = 0;
    while (!input.empty() && rows < kSlotCount) {
        Bulletin& b = table[rows++];
        b.inUse = true;
        b.callsign = nextField(input);
        b.addressee = nextField(input);
        b.text = nextField(input);
        b.received = clock.now();
    }

    const std::string templateText = "<h1>$CALLSIGN</h1>\r\n$RAWDATA\r\n";
    std::string page;
    const PageInput pageInput{table, [&station]() -> std::optional<std::string> { return station; },
                              "V1.0.6"};
    check(renderPage(templateText, pageInput, clock, dateText, page).ok());

    // What the markup alone contributes: the template's heading and one row per bulletin.
    Bulletin plain;
    plain.inUse = true;
    plain.callsign = plain.addressee = plain.text = "x";
    plain.received = clock.now();
    const std::string row = rowLine(plain, dateText);
    for (const char c : {'<', '>', '"', '\''}) {
        const std::size_t fromMarkup = count("<h1></h1>", c) + rows * count(row, c);
        check(count(page, c) == fromMarkup);
    }
    for (std::size_t at = page.find('&'); at != std::string::npos; at = page.find('&', at + 1)) {
        const std::string_view rest = std::string_view(page).substr(at);
        check(rest.starts_with("&amp;") || rest.starts_with("&lt;") || rest.starts_with("&gt;") ||
              rest.starts_with("&quot;") || rest.starts_with("&#39;"));
    }
    for (std::size_t at = page.find("go('"); at != std::string::npos;
         at = page.find("go('", at + 1)) {
        const std::size_t end = page.find("')", at + 4);
        check(end != std::string::npos);
        for (const char c : std::string_view(page).substr(at + 4, end - at - 4)) {
            const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                              (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                              c == '/' || c == '\\';
            check(kept);
        }
    }
    return 0;
}
