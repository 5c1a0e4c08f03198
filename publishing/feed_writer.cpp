#include "publishing/feed_writer.h"

#include "base/files.h"
#include "base/windows1252.h"
#include "publishing/page_text.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace quillet {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Control characters (C0, DEL and the C1 block that the code page's five undefined bytes
// reach) have no place in XML 1.0 text, not even as character references: they become U+FFFD.
// Markup characters become references, as on the page. The text is UTF-8 already.
std::string xmlText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            out += kReplacement;
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            out += kReplacement;
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return escapeHtml(out);
}

std::string xml(std::string_view windows1252) {
    return xmlText(utf8FromWindows1252(windows1252));
}

void appendUnicodeEscape(std::string& out, unsigned code) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04X", code);
    out += escaped;
}

// A JSON string with its quotes. Every control character is escaped, and so are < > & so that
// the document stays inert if someone puts it inside a page.
std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    out.reserve(utf8.size() + 16);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '&') {
            appendUnicodeEscape(out, c);
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            appendUnicodeEscape(out, static_cast<unsigned char>(utf8[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

std::string json(std::string_view windows1252) {
    return jsonString(utf8FromWindows1252(windows1252));
}

// A relative reference to a file of the operator's naming: every byte but the unreserved
// ones is percent-encoded, so a blank, a quote or a "$" in the name stays part of the name.
std::string percentEncoded(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            out += c;
        } else {
            char encoded[4];
            std::snprintf(encoded, sizeof encoded, "%%%02X", unsigned{byte});
            out += encoded;
        }
    }
    return out;
}

// FNV-1a over the length-prefixed fields, so that ("AB","C") and ("A","BC") differ.
std::uint64_t fieldsHash(std::uint64_t basis, std::initializer_list<std::string_view> fields) {
    std::uint64_t hash = basis;
    const auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 0x100000001B3ULL;
    };
    for (const std::string_view field : fields) {
        for (int shift = 0; shift < 32; shift += 8) {
            mix(static_cast<unsigned char>(field.size() >> shift));
        }
        for (const char c : field) {
            mix(static_cast<unsigned char>(c));
        }
    }
    return hash;
}

// An RFC 9562 version 8 (name-based, own hash) UUID of the fields.
std::string nameUuid(std::initializer_list<std::string_view> fields) {
    std::uint64_t high = fieldsHash(0xCBF29CE484222325ULL, fields);
    std::uint64_t low = fieldsHash(0x84222325CBF29CE4ULL, fields);
    high = (high & ~0xF000ULL) | 0x8000ULL;
    low = (low & ~(0xC0ULL << 56)) | (0x80ULL << 56);
    char text[48];
    std::snprintf(text, sizeof text, "urn:uuid:%08x-%04x-%04x-%04x-%012llx",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

std::string feedTitle(const FeedInput& input) {
    return "APRS bulletins heard by " + input.station;
}

std::string entryTitle(const Bulletin& bulletin) {
    return bulletin.addressee + " from " + bulletin.callsign;
}

// The folder part of the page's address, ending in "/".
std::string urlFolder(std::string_view url) {
    const std::size_t authority = url.find("://") + 3;
    const std::size_t slash = url.rfind('/');
    if (slash == std::string_view::npos || slash < authority) {
        return std::string(url) + "/";
    }
    return std::string(url.substr(0, slash + 1));
}

struct Links {
    std::string page;
    std::string atomSelf; // empty when the address is unknown
    std::string jsonSelf;
};

Links links(const FeedInput& input) {
    if (input.pageUrl.empty()) {
        return {percentEncoded(input.pageName), {}, {}};
    }
    const FeedNames names = feedNames(input.pageName);
    const std::string folder = urlFolder(input.pageUrl);
    return {input.pageUrl, folder + percentEncoded(names.atom),
            folder + percentEncoded(names.json)};
}

LocalDateTime receivedOf(const Bulletin& bulletin, const FeedInput& input) {
    return bulletin.received.value_or(input.generated);
}

} // namespace

FeedNames feedNames(std::string_view pageName) {
    const std::string stem = std::filesystem::path(pageName).stem().string();
    return {stem + ".atom", stem + ".json"};
}

Status checkPageUrl(std::string_view url) {
    if (url.empty()) {
        return {};
    }
    const bool web = url.starts_with("http://") || url.starts_with("https://");
    if (!web || url.ends_with("://")) {
        return fail("PAGE_URL " + std::string(url) + " is not an http:// or https:// address");
    }
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F ||
            std::string_view("\"'<>\\`{}|^#?").find(c) != std::string_view::npos) {
            return fail("PAGE_URL " + std::string(url) +
                        " holds a character that an address takes only percent-encoded");
        }
    }
    return {};
}

std::string rfc3339(LocalDateTime t, std::chrono::seconds utcOffset) {
    using namespace std::chrono;
    const year_month_day date{floor<days>(t)};
    const hh_mm_ss time{t - floor<days>(t)};
    const long offsetMinutes = static_cast<long>(utcOffset.count() / 60);
    const long absMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d%c%02ld:%02ld",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), offsetMinutes < 0 ? '-' : '+',
                  absMinutes / 60, absMinutes % 60);
    return text;
}

std::string bulletinEntryId(std::string_view station, std::string_view callsign,
                            std::string_view addressee) {
    return nameUuid({"bulletin", station, callsign, addressee});
}

std::string atomFeed(const FeedInput& input, const Clock& clock) {
    const auto time = [&clock](LocalDateTime t) { return rfc3339(t, clock.utcOffset(t)); };
    const Links link = links(input);
    std::string out;
    out.reserve(1024 + 640 * kSlotCount);
    out += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    out += "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n";
    out += "<title>" + xml(feedTitle(input)) + "</title>\n";
    out += "<id>" + nameUuid({"feed", input.station}) + "</id>\n";
    out += "<updated>" + time(input.generated) + "</updated>\n";
    out += "<author><name>" + xml(input.station) + "</name></author>\n";
    out += "<generator version=\"" + xml(input.version) + "\">Quillet</generator>\n";
    out += "<link rel=\"alternate\" type=\"text/html\" href=\"" + xmlText(link.page) + "\"/>\n";
    if (!link.atomSelf.empty()) {
        out += "<link rel=\"self\" type=\"application/atom+xml\" href=\"" + xmlText(link.atomSelf) +
               "\"/>\n";
    }
    for (const Bulletin& bulletin : input.bulletins) {
        if (!bulletin.inUse) {
            continue;
        }
        out += "<entry>\n";
        out += "<id>" + bulletinEntryId(input.station, bulletin.callsign, bulletin.addressee) +
               "</id>\n";
        out += "<title>" + xml(entryTitle(bulletin)) + "</title>\n";
        out += "<updated>" + time(receivedOf(bulletin, input)) + "</updated>\n";
        out += "<author><name>" + xml(bulletin.callsign) + "</name></author>\n";
        if (!bulletin.groupCode.empty()) {
            out += "<category term=\"" + xml(bulletin.groupCode) + "\"/>\n";
        }
        out += "<content type=\"text\">" + xml(bulletin.text) + "</content>\n";
        out += "</entry>\n";
    }
    out += "</feed>\n";
    return out;
}

std::string jsonFeed(const FeedInput& input, const Clock& clock) {
    const auto time = [&clock](LocalDateTime t) {
        return jsonString(rfc3339(t, clock.utcOffset(t)));
    };
    const Links link = links(input);
    std::string out;
    out.reserve(1024 + 640 * kSlotCount);
    out += "{\n\"version\": \"https://jsonfeed.org/version/1.1\",\n";
    out += "\"title\": " + json(feedTitle(input)) + ",\n";
    if (!link.jsonSelf.empty()) {
        out += "\"home_page_url\": " + jsonString(link.page) + ",\n";
        out += "\"feed_url\": " + jsonString(link.jsonSelf) + ",\n";
    }
    out += "\"authors\": [{\"name\": " + json(input.station) + "}],\n";
    out += "\"items\": [";
    bool first = true;
    for (const Bulletin& bulletin : input.bulletins) {
        if (!bulletin.inUse) {
            continue;
        }
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"id\": " +
               jsonString(bulletinEntryId(input.station, bulletin.callsign, bulletin.addressee));
        out += ", \"title\": " + json(entryTitle(bulletin));
        out += ", \"content_text\": " + json(bulletin.text);
        out += ", \"date_modified\": " + time(receivedOf(bulletin, input));
        out += ", \"authors\": [{\"name\": " + json(bulletin.callsign) + "}]";
        if (!bulletin.groupCode.empty()) {
            out += ", \"tags\": [" + json(bulletin.groupCode) + "]";
        }
        out += "}";
    }
    out += "\n]\n}\n";
    return out;
}

Status writeFeeds(const std::filesystem::path& programDir, const FeedInput& input,
                  const Clock& clock) {
    for (const auto& [name, content] : {std::pair{kAtomFeedFileName, atomFeed(input, clock)},
                                        std::pair{kJsonFeedFileName, jsonFeed(input, clock)}}) {
        const std::filesystem::path file = programDir / name;
        if (Status written = replaceFile(file, content, programDir / (std::string(name) + ".new"));
            !written) {
            return written;
        }
    }
    return {};
}

std::string feedLinks(std::string_view pageName) {
    const FeedNames names = feedNames(pageName);
    return "<link rel=\"alternate\" type=\"application/atom+xml\" title=\"Atom\" href=\"" +
           percentEncoded(names.atom) +
           "\">\r\n<link rel=\"alternate\" type=\"application/feed+json\" title=\"JSON Feed\" "
           "href=\"" +
           percentEncoded(names.json) + "\">";
}

} // namespace quillet
