#include "station/core/message_store.h"

#include "base/windows1252.h"
#include "contract/host_bus.h"

#include <algorithm>
#include <utility>

namespace quillet::station {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool isControl(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

// Plain ASCII text without control characters, the usual case, needs no decoding.
bool needsNoChange(std::string_view utf8) {
    return std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= ' ' && c < '\x7F'; });
}

std::string cleaned(std::string_view utf8, bool separatorToo) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = decodeUtf8At(utf8, i, code);
        if (length == 0 || isControl(code)) {
            out += kReplacement;
        } else if (separatorToo && code == kFieldSeparatorCodePoint) {
            out += '3';
        } else {
            out.append(utf8.substr(i, length));
        }
        i += std::max<std::size_t>(length, 1);
    }
    return out;
}

} // namespace

void makeLogField(std::string& utf8) {
    if (!needsNoChange(utf8)) {
        utf8 = cleaned(utf8, true);
    }
}

std::string withoutControls(std::string_view utf8) {
    return needsNoChange(utf8) ? std::string(utf8) : cleaned(utf8, false);
}

std::string logLine(const LoggedBulletin& bulletin) {
    std::string line;
    line.reserve(bulletin.sender.size() + bulletin.addressee.size() + bulletin.text.size() + 6);
    line.append(bulletin.sender)
        .append(kFieldSeparatorUtf8)
        .append(bulletin.addressee)
        .append(kFieldSeparatorUtf8)
        .append(bulletin.text)
        .append("\r\n");
    return line;
}

MessageStore::MessageStore(std::size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

std::string MessageStore::key(const LoggedBulletin& bulletin) {
    std::string key = bulletin.sender;
    key.append(1, '\0').append(bulletin.addressee).append(1, '\0').append(bulletin.text);
    return key;
}

bool MessageStore::add(LoggedBulletin bulletin) {
    makeLogField(bulletin.sender);
    makeLogField(bulletin.addressee);
    makeLogField(bulletin.text);
    if (!m_keys.insert(key(bulletin)).second) {
        return false;
    }
    if (m_bulletins.size() == m_capacity) {
        m_keys.erase(key(m_bulletins.front()));
        m_bulletins.pop_front();
        ++m_dropped;
        m_textReady = false;
    }
    if (m_textReady) {
        m_text += logLine(bulletin);
    }
    m_bulletins.push_back(std::move(bulletin));
    return true;
}

const std::string& MessageStore::text() const {
    if (!m_textReady) {
        m_text.clear();
        for (const LoggedBulletin& bulletin : m_bulletins) {
            m_text += logLine(bulletin);
        }
        m_textReady = true;
    }
    return m_text;
}

std::optional<std::string> MessageStore::textFrom(std::size_t first) const {
    if (first < m_dropped || first - m_dropped > m_bulletins.size()) {
        return std::nullopt;
    }
    std::string text;
    for (auto line = m_bulletins.begin() + static_cast<std::ptrdiff_t>(first - m_dropped);
         line != m_bulletins.end(); ++line) {
        text += logLine(*line);
    }
    return text;
}

Result<std::deque<LoggedBulletin>> parseLogText(std::string_view text) {
    std::deque<LoggedBulletin> bulletins;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t first = line.find(kFieldSeparatorUtf8);
        const std::size_t second =
            first == std::string_view::npos
                ? first
                : line.find(kFieldSeparatorUtf8, first + kFieldSeparatorUtf8.size());
        if (end == std::string_view::npos) {
            break; // every line written ends: this is a write the machine did not finish
        }
        if (second == std::string_view::npos) {
            return fail("line " + std::to_string(number) + " is not sender, addressee and text");
        }
        const std::size_t gap = kFieldSeparatorUtf8.size();
        bulletins.push_back({std::string(line.substr(0, first)),
                             std::string(line.substr(first + gap, second - first - gap)),
                             std::string(line.substr(second + gap))});
    }
    return bulletins;
}

} // namespace quillet::station
