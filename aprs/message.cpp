#include "aprs/message.h"

#include <algorithm>

namespace quillet::aprs {

namespace {

constexpr std::size_t kAddresseeLength = 9;
constexpr std::size_t kMaxNumberLength = 5;

// Stations end texts with CR or LF now and then (and some TNCs keep the line end of what
// they were given); these are never part of the text.
std::string_view withoutLineEnds(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

bool isAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// 1 to 5 letters or digits, or the reply-ack form "MM}" / "MM}AA". Anything else after a "{"
// ("{room 5}") is text.
bool isMessageNumber(std::string_view s) {
    if (s.empty() || s.size() > kMaxNumberLength || s.front() == '}') {
        return false;
    }
    bool closed = false;
    for (const char c : s) {
        if (c == '}' && !closed) {
            closed = true;
        } else if (!isAlnum(c)) {
            return false;
        }
    }
    return true;
}

bool isAckOrRej(std::string_view text) {
    if (text.size() < 4 || text.size() > 3 + kMaxNumberLength) {
        return false;
    }
    const std::string_view head = text.substr(0, 3);
    if (head != "ack" && head != "rej") {
        return false;
    }
    return text.find(' ') == std::string_view::npos;
}

} // namespace

std::optional<Message> parseMessage(std::string_view info) {
    if (info.size() < kAddresseeLength + 2 || info[0] != ':' || info[kAddresseeLength + 1] != ':') {
        return std::nullopt;
    }
    std::string_view addressee = info.substr(1, kAddresseeLength);
    while (!addressee.empty() && addressee.back() == ' ') {
        addressee.remove_suffix(1);
    }
    if (addressee.empty()) {
        return std::nullopt;
    }
    std::string_view text = withoutLineEnds(info.substr(kAddresseeLength + 2));
    if (isAckOrRej(text)) {
        return std::nullopt;
    }
    Message message;
    message.addressee.assign(addressee);
    const auto brace = text.rfind('{');
    if (brace != std::string_view::npos && isMessageNumber(text.substr(brace + 1))) {
        std::string_view number = text.substr(brace + 1);
        // The reply-ack form "{MM}AA" carries the number before "}" and an ack after it.
        message.number.assign(number.substr(0, number.find('}')));
        text = withoutLineEnds(text.substr(0, brace));
    }
    message.text.assign(text);
    return message;
}

std::string formatMessageInfo(std::string_view addressee, std::string_view text) {
    std::string info;
    info.reserve(kAddresseeLength + 2 + text.size());
    info += ':';
    info += addressee.substr(0, kAddresseeLength);
    info.append(kAddresseeLength - std::min(addressee.size(), kAddresseeLength), ' ');
    info += ':';
    info += text;
    return info;
}

bool isBulletinAddressee(std::string_view addressee) {
    return addressee.starts_with("BLN");
}

} // namespace quillet::aprs
