#pragma once

#include "base/result.h"
#include "composing/send_pacer.h"
#include "hostlink/keystroke_sender.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quillet {

// The map's information file: the map file name's own extension replaced by ".inf", or
// ".inf" appended when the file name has none. Dots in folder names (~/.wine) are kept.
std::string mapInfoPath(const std::string& mapFileName);

// The third line of the map's information file, read afresh each time.
Result<std::string> mapTitle(const std::string& mapFileName);

// "UI-View32 V2.03 [" + map title + "]".
Result<std::string> hostWindowTitle(const std::string& mapFileName);

// The status line after a send that went through.
std::string sentText(const std::string& toStation, const std::string& msg);

// How many lines of the host's log are the bulletin that `callsign` sent to `addressee` with
// `text`. Fields are compared without the blanks around them, as the table reads them.
std::size_t loggedCopies(std::string_view log, std::string_view callsign,
                         std::string_view addressee, std::string_view text);

// A typed bulletin, and how many copies of it the host's log held before the keys went out.
struct TypedBulletin {
    std::string callsign; // the station's, as the host tells it
    std::string toStation;
    std::string msg;
    std::size_t copiesBefore = 0;
};

// Keystrokes give no answer, so the host's log is what shows that a typed bulletin went out:
// the host logs the station's own bulletin once it has taken it. Reads the log through
// `readLog` until it holds one more copy of the bulletin than before, for about
// kConfirmSeconds; otherwise fails with the line for the status label. Comparing counts keeps
// an identical bulletin that was logged earlier from counting as this one.
inline constexpr float kConfirmSeconds = 5.0f;
Status confirmLogged(const std::function<Result<std::string>()>& readLog, SendPacer& pacer,
                     const TypedBulletin& bulletin);

// Types a bulletin into the host's main window as the fixed sequence of keystrokes that
// the host's message form takes, pausing after each so that the host keeps up. A send takes
// about ten seconds, so it runs on a worker, never on the window's thread.
class MessageSender {
public:
    MessageSender(KeystrokeSender& keys, SendPacer& pacer) : m_keys(keys), m_pacer(pacer) {}

    // `mapFileName` is the map the host shows, `hostProcessId` the host's process (0: not
    // known), whose window is preferred over a look-alike. A failure stops the sequence where
    // it happens and comes back as the line for the status label, "Error Sending Message to
    // <caption>: <reason>"; nothing is thrown.
    Status sendMessage(const std::string& mapFileName, std::int64_t hostProcessId,
                       const std::string& toStation, std::int16_t port, const std::string& digi,
                       const std::string& msg);

private:
    KeystrokeSender& m_keys;
    SendPacer& m_pacer;
};

} // namespace quillet
