#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillet {

class AddMessageWindow;

// What the composing windows may ask of the main window, which owns the table, the host
// and the windows themselves.
class MainWindowOperations {
public:
    virtual ~MainWindowOperations() = default;

    // The text of the station's own bulletin to exactly this addressee, or "".
    virtual std::string getMyMessageForBLN(const std::string& blnCode) = 0;
    virtual void refreshMessages() = 0;
    // Starts typing the bulletin into the host and returns at once; the outcome goes to the
    // status line, and `done` runs on the window's thread when the send has ended, however
    // it ended: `sent` is true only when the host is known to have taken the bulletin.
    virtual void sendMessage(const std::string& toStation, std::int16_t port,
                             const std::string& digi, const std::string& msg,
                             std::function<void(bool sent)> done) = 0;
    // The Add Message window, opened with its initial contents when it is not open and
    // brought to the front as it is otherwise. Null while a send is typing: its fields must
    // not change under it.
    virtual AddMessageWindow* openMessageWindow() = 0;
};

} // namespace quillet
