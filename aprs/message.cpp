#include "aprs/message.h"

#include <algorithm>

namespace quillet::aprs {

namespace {

constexpr std::size_t kAddresseeLength = 9;
constexpr std::size_t kMaxNumberLength = 5;
constexpr std::size_t kMaxGroupLength = 5;

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

bool isAlnumRun(std::string_view s, std::size_t least) {
    return s.size() >= least && s.size() <= kMaxNumberLength &&
           std::all_of(s.begin(), s.end(), isAlnum);
}

// What follows the "{" of a message id: 1 to 5 letters or digits, optionally closed by "}"
// and 0 to 5 more (the reply-ack form "{MM}AA"). Anything else after a "{" ("{room 5}") is
// text.
bool isMessageId(std::string_view s) {
    const auto close = s.find('}');
    if (close == std::string_view::npos) {
        return isAlnumRun(s, 1);
    }
    return isAlnumRun(s.substr(0, close), 1) && isAlnumRun(s.substr(close + 1), 0);
}

// Blanks and line ends after a message id still leave it at the end of the text.
std::string_view withoutTrailingSpace(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// "ack" or "rej" and the id it answers, in either form.
bool isAckOrRej(std::string_view text) {
    const std::string_view head = text.substr(0, 3);
    return (head == "ack" || head == "rej") && isMessageId(withoutTrailingSpace(text.substr(3)));
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
    std::string_view text = info.substr(kAddresseeLength + 2);
    if (isAckOrRej(text)) {
        return std::nullopt;
    }
    Message message;
    message.addressee.assign(addressee);
    const std::string_view tail = withoutTrailingSpace(text);
    const auto brace = tail.rfind('{');
    if (brace != std::string_view::npos && isMessageId(tail.substr(brace + 1))) {
        const std::string_view id = tail.substr(brace + 1);
        // The reply-ack form "{MM}AA" carries the number before "}" and an ack after it.
        message.number.assign(id.substr(0, id.find('}')));
        text = tail.substr(0, brace);
    }
    message.text.assign(withoutLineEnds(text));
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
    if (!addressee.starts_with("BLN")) {
        return false;
    }
    if (addressee.size() == 3) {
        return true; // the general bulletin, a row of its own on the operator's board
    }
    const char code = addressee[3];
    if (!((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))) {
        return false;
    }
    // The group may hold blanks ("BLN1 WX"), but nothing that is not printable ASCII and none
    // of the characters that end an addressee or a text or that APRS reserves.
    const std::string_view group = addressee.substr(4);
    return group.size() <= kMaxGroupLength && !group.ends_with(' ') &&
           std::all_of(group.begin(), group.end(), [](char c) {
               return c >= ' ' && c <= '~' && c != ':' && c != '|' && c != '~' && c != '{';
           });
}

} // namespace quillet::aprs
