#pragma once

#include "composing/send_pacer.h"
#include "host/host.h"
#include "host/keystroke_sender.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quillet {

// The caption of the host's main window, or why it could not be formed.
struct HostCaption {
    std::string caption;
    std::string error; // empty when the caption was formed
};

// The map's information file: the map file name's own extension replaced by ".inf", or
// ".inf" appended when the file name has none. Dots in folder names (~/.wine) are kept.
std::string mapInfoPath(const std::string& mapFileName);

// The third line of the current map's information file, read afresh each time.
HostCaption mapTitle(HostMap& map);

// "UI-View32 V2.03 [" + map title + "]".
HostCaption hostWindowTitle(HostMap& map);

// Types a bulletin into the host's main window as the fixed sequence of keystrokes that
// the host's message form takes, pausing after each so that the host keeps up.
class MessageSender {
public:
    MessageSender(KeystrokeSender& keys, SendPacer& pacer) : m_keys(keys), m_pacer(pacer) {}

    // Returns the line for the status label. Failures stop the sequence where they happen
    // and are reported, never thrown.
    std::string sendMessage(HostMap* map, const std::string& toStation, std::int16_t port,
                            const std::string& digi, const std::string& msg,
                            const std::function<void()>& showMainWindow);

private:
    KeystrokeSender& m_keys;
    SendPacer& m_pacer;
};

} // namespace quillet
