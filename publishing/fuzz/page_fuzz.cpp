// libFuzzer target: bulletins and a station callsign made of any bytes, rendered into the
// page and both feeds. No byte of theirs may reach the page unescaped: every <, >, " and '
// in the page belongs to the row markup, every & starts a character reference, and the
// callsign inside go('...') holds only letters, digits, - _ . / and \u escapes. The Atom
// feed parses with libxml2 and the JSON Feed with nlohmann::json, each with exactly the
// elements and keys the writer makes, and every text read back is the bulletin's own.
#include "base/windows1252.h"
#include "publishing/feed_writer.h"
#include "publishing/page_generator.h"
#include "testsupport/fake_clock.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
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

// What a feed holds where the bulletin's text was: control characters (which XML cannot
// carry) stand as U+FFFD in Atom and as themselves in JSON.
std::string readBack(std::string_view windows1252, bool xml) {
    std::string text = quillet::utf8FromWindows1252(windows1252);
    if (!xml) {
        return text;
    }
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 =
            c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((c < 0x20 && c != '\t') || c == 0x7F || c1) {
            out += "\xEF\xBF\xBD";
            i += c1 ? 1 : 0;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string nodeText(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::string attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

bool named(xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           std::string_view(reinterpret_cast<const char*>(node->name)) == name;
}

void checkAtom(const std::string& atom, const quillet::BulletinTable& table, int rows) {
    xmlDoc* doc = xmlReadMemory(atom.data(), static_cast<int>(atom.size()), "feed.atom", "utf-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    check(doc != nullptr);
    xmlNode* feed = xmlDocGetRootElement(doc);
    check(feed != nullptr && named(feed, "feed"));
    const std::set<std::string_view> feedChildren{"title",     "id",   "updated", "author",
                                                  "generator", "link", "entry"};
    const std::set<std::string_view> entryChildren{"id",     "title",    "updated",
                                                   "author", "category", "content"};
    int entry = 0;
    for (xmlNode* child = feed->children; child; child = child->next) {
        check(child->type != XML_ELEMENT_NODE ||
              feedChildren.contains(reinterpret_cast<const char*>(child->name)));
        if (!named(child, "entry")) {
            continue;
        }
        check(entry < rows);
        const quillet::Bulletin& b = table[entry++];
        for (xmlNode* field = child->children; field; field = field->next) {
            if (field->type != XML_ELEMENT_NODE) {
                continue;
            }
            check(entryChildren.contains(reinterpret_cast<const char*>(field->name)));
            if (named(field, "content")) {
                check(nodeText(field) == readBack(b.text, true));
            } else if (named(field, "title")) {
                check(nodeText(field) == readBack(b.addressee + " from " + b.callsign, true));
            } else if (named(field, "id")) {
                const std::string id = nodeText(field);
                check(id.starts_with("urn:uuid:") && id.size() == 45);
            } else if (named(field, "category")) {
                check(attribute(field, "term") == readBack(b.groupCode, true));
            }
        }
    }
    check(entry == rows);
    xmlFreeDoc(doc);
}

void checkJson(const std::string& text, const quillet::BulletinTable& table, int rows) {
    const nlohmann::json feed = nlohmann::json::parse(text, nullptr, false);
    check(!feed.is_discarded() && feed.is_object());
    const std::set<std::string> feedKeys{"version",  "title",   "home_page_url",
                                         "feed_url", "authors", "items"};
    for (const auto& [key, value] : feed.items()) {
        check(feedKeys.contains(key));
    }
    const std::set<std::string> itemKeys{"id",      "title",         "content_text",
                                         "authors", "date_modified", "tags"};
    check(feed.contains("items") && feed["items"].is_array() &&
          feed["items"].size() == static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        const nlohmann::json& item = feed["items"][static_cast<std::size_t>(i)];
        for (const auto& [key, value] : item.items()) {
            check(itemKeys.contains(key));
        }
        check(item["content_text"] == readBack(table[i].text, false));
        check(item["authors"][0]["name"] == readBack(table[i].callsign, false));
    }
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
                              "V1.0.6", "index.htm"};
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

    // Both feeds from the same table, with a page address that gives them their self links.
    const FeedInput feedInput{.bulletins = table,
                              .station = station,
                              .version = "V1.0.6",
                              .generated = clock.now(),
                              .pageName = "index.htm",
                              .pageUrl = "https://example.org/aprs/index.htm"};
    checkAtom(atomFeed(feedInput, clock), table, rows);
    checkJson(jsonFeed(feedInput, clock), table, rows);
    return 0;
}
