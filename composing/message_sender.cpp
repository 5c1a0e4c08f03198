#include "message_sender.h"

#include "base/files.h"
#include "base/qt_text.h"
#include "bulletins/message_log.h"
#include "bulletins/text_rules.h"
#include "hostlink/keystroke_notation.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

namespace quillet {

namespace {

constexpr float kKeystrokePause = 0.5f;
constexpr float kConfirmPause = 0.25f;
const std::string kTab = "\t";

std::string withoutLineEnd(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    return line.toStdString();
}

} // namespace

std::string mapInfoPath(const std::string& mapFileName) {
    // The host is a Windows program: its paths may use either separator.
    const auto nameStart = mapFileName.find_last_of("/\\");
    const auto dot = mapFileName.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart);
    return (hasExtension ? mapFileName.substr(0, dot) : mapFileName) + ".inf";
}

Result<std::string> mapTitle(const std::string& mapFile) {
    // The information file holds a few short lines. Whatever else stands under its name (a
    // FIFO, a device, a huge file) is refused at once instead of holding up the send.
    constexpr std::size_t kLargestInfoFile = 8 * 1024;
    const std::string infoPath = mapInfoPath(mapFile);
    const auto read =
        readFile(QFile::encodeName(fromWindows1252(infoPath)).toStdString(), kLargestInfoFile);
    if (!read || !*read) {
        return fail("cannot read the map information file " + infoPath + " (" +
                    (read ? std::strerror(ENOENT) : read.error()) + ")");
    }
    // Lines one and two are skipped; the title is the third, taken whole.
    std::string_view rest = **read;
    for (int line = 1; line <= 3; ++line) {
        if (rest.empty()) {
            return fail("the map information file " + infoPath + " has fewer than three lines");
        }
        const std::size_t end = std::min(rest.find('\n'), rest.size() - 1);
        const std::string_view text = rest.substr(0, end + 1);
        rest.remove_prefix(end + 1);
        if (line == 3) {
            return withoutLineEnd(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
        }
    }
    return fail("not reached");
}

Result<std::string> hostWindowTitle(const std::string& mapFileName) {
    Result<std::string> title = mapTitle(mapFileName);
    if (!title) {
        return title;
    }
    return "UI-View32 V2.03 [" + *title + "]";
}

std::string sentText(const std::string& toStation, const std::string& msg) {
    return "Sent: <" + toStation + "> " + msg;
}

std::size_t loggedCopies(std::string_view log, std::string_view callsign,
                         std::string_view addressee, std::string_view text) {
    const std::string_view wanted[] = {trimBlanks(callsign), trimBlanks(addressee),
                                       trimBlanks(text)};
    std::size_t copies = 0;
    while (!log.empty()) {
        const std::size_t end = log.find("\r\n");
        std::string_view line = log.substr(0, end);
        log.remove_prefix(end == std::string_view::npos ? log.size() : end + 2);
        bool same = true;
        for (std::size_t field = 0; field < 3 && same; ++field) {
            const std::size_t separator =
                field < 2 ? line.find(kFieldSeparator) : std::string_view::npos;
            if (field < 2 && separator == std::string_view::npos) {
                same = false;
                break;
            }
            same = trimBlanks(line.substr(0, separator)) == wanted[field];
            line.remove_prefix(separator == std::string_view::npos ? line.size() : separator + 1);
        }
        copies += same ? 1 : 0;
    }
    return copies;
}

Status confirmLogged(const std::function<Result<std::string>()>& readLog, SendPacer& pacer,
                     const TypedBulletin& bulletin) {
    const std::string shown = "<" + bulletin.toStation + "> " + bulletin.msg;
    // Bounded both by the pauses and by the clock, since each read of a slow host's log takes
    // its own time.
    const int reads = static_cast<int>(kConfirmSeconds / kConfirmPause) + 1;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<float>(kConfirmSeconds));
    for (int read = 0; read < reads && !pacer.cancelled(); ++read) {
        if (read > 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                break;
            }
            pacer.waitSeconds(kConfirmPause);
        }
        const Result<std::string> log = readLog();
        if (!log) {
            return fail("Could not read the host's log to see whether it took " + shown + " (" +
                        log.error() + "): the bulletin may not have gone out");
        }
        if (loggedCopies(*log, bulletin.callsign, bulletin.toStation, bulletin.msg) >
            bulletin.copiesBefore) {
            return {};
        }
    }
    return fail("The host did not log the bulletin " + shown +
                (bulletin.copiesBefore > 0 ? " again (its log held it from an earlier send)" : "") +
                ": it may not have gone out (the host's message form may say why)");
}

Status MessageSender::sendMessage(const std::string& mapFileName, std::int64_t hostProcessId,
                                  const std::string& toStation, std::int16_t port,
                                  const std::string& digi, const std::string& msg) {
    const Result<std::string> caption = hostWindowTitle(mapFileName);
    if (!caption) {
        // Without a caption there is no window to type into: nothing is sent.
        return fail("Error Sending Message: " + caption.error());
    }
    const auto failure = [&caption](const std::string& reason) {
        return fail("Error Sending Message to " + *caption + ": " + reason);
    };
    if (Status activated = m_keys.activateWindow(*caption, hostProcessId); !activated) {
        return failure(activated.error());
    }

    // The notation's command characters in the operator's texts are typed as written.
    const std::string to = escapeKeystrokeText(toStation);
    const std::string path = escapeKeystrokeText(digi);
    const std::string text = escapeKeystrokeText(msg);
    struct Row {
        const std::string& keys;
        bool pause;
    };
    const std::string altM = "%M", altT = "%t", portText = std::to_string(port), enter = "{enter}",
                      altY = "%y", altH = "%H";
    const Row rows[] = {{altM, true}, {altT, true}, {altT, true}, {kTab, true},     {kTab, true},
                        {kTab, true}, {kTab, true}, {kTab, true}, {kTab, true},     {kTab, true},
                        {kTab, true}, {to, true},   {kTab, true}, {portText, true}, {kTab, false},
                        {path, true}, {kTab, true}, {text, true}, {enter, true},    {altY, true},
                        {altH, true}};
    for (const Row& row : rows) {
        if (m_pacer.cancelled()) {
            return failure("the program is ending, so typing stopped");
        }
        if (Status typed = m_keys.sendKeys(row.keys); !typed) {
            // Once Yes has been pressed the host has the bulletin; the last key only hides its
            // form, so its log alone tells whether the bulletin went out.
            return &row.keys == &altH ? Status() : failure(typed.error());
        }
        if (row.pause) {
            m_pacer.waitSeconds(kKeystrokePause);
        }
    }
    return {};
}

} // namespace quillet
