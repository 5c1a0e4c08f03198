#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet::aprs {

// An APRS message (or bulletin) from an info field.
struct Message {
    std::string addressee; // the 9-character field without its trailing blanks
    std::string text;      // without message number and trailing line ends
    std::string number;    // the message number after "{", empty when there is none

    bool operator==(const Message&) const = default;
};

// ":ADDRESSEE:text{12345". Acknowledgements and rejects ("ack"/"rej" and their id) and info
// fields of other kinds give std::nullopt.
std::optional<Message> parseMessage(std::string_view info);

// ":BLN1     :text": the addressee padded (or cut) to 9 characters.
std::string formatMessageInfo(std::string_view addressee, std::string_view text);

// Bulletins and announcements are addressed to "BLN..." (BLN0-9, BLNA-Z, BLNnGROUP).
bool isBulletinAddressee(std::string_view addressee);

} // namespace quillet::aprs
