#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet::aprs {

// An APRS message (or bulletin) from an info field.
struct Message {
    std::string addressee; // the 9-character field without its trailing blanks
    std::string text;      // without message id and trailing line ends
    std::string number;    // the message number after "{", empty when there is none

    bool operator==(const Message&) const = default;
};

// ":ADDRESSEE:text{12345". The addressee is the 9-character field between the first two
// colons, without its trailing blanks. A message id ends the text: "{" and 1 to 5 letters or
// digits, or the reply-ack form with "}" and 0 to 5 more ("{AB}CD", "{10512}"), blanks and
// line ends after it allowed; it is not part of the text. Anything else after a "{" is text.
// Acknowledgements and rejects ("ack"/"rej" and the id they answer) and info fields of other
// kinds give std::nullopt.
std::optional<Message> parseMessage(std::string_view info);

// ":BLN1     :text": the addressee padded (or cut) to 9 characters.
std::string formatMessageInfo(std::string_view addressee, std::string_view text);

// Bulletins and announcements: "BLN" alone, or "BLN" and one of 0-9 and A-Z, optionally
// followed by a group name of up to 5 printable ASCII characters without ":", "|", "~" or
// "{" ("BLN1", "BLNA", "BLN1EU", "BLN1 WX"). A lower-case code, a control character or
// anything beyond ASCII is not a bulletin addressee. Takes the addressee as parseMessage gives
// it (trailing blanks trimmed).
bool isBulletinAddressee(std::string_view addressee);

} // namespace quillet::aprs
