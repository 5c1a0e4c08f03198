#pragma once

#include "base/result.h"
#include "composing/send_pacer.h"
#include "host/keystroke_sender.h"

#include <cstdint>
#include <string>

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

// Types a bulletin into the host's main window as the fixed sequence of keystrokes that
// the host's message form takes, pausing after each so that the host keeps up. A send takes
// about ten seconds, so it runs on a worker, never on the window's thread.
class MessageSender {
public:
    MessageSender(KeystrokeSender& keys, SendPacer& pacer) : m_keys(keys), m_pacer(pacer) {}

    // `mapFileName` is the map the host shows. A failure stops the sequence where it happens
    // and comes back as the line for the status label; nothing is thrown.
    Status sendMessage(const std::string& mapFileName, const std::string& toStation,
                       std::int16_t port, const std::string& digi, const std::string& msg);

private:
    KeystrokeSender& m_keys;
    SendPacer& m_pacer;
};

} // namespace quillet
