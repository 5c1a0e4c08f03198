#include "message_sender.h"

#include "base/qt_text.h"
#include "base/regular_file.h"
#include "host/keystroke_notation.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace quillet {

namespace {

constexpr float kKeystrokePause = 0.5f;
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
    const FileRead read = readRegularFile(
        QFile::encodeName(fromWindows1252(infoPath)).toStdString(), kLargestInfoFile);
    if (read.status != ReadStatus::ok) {
        return fail("cannot read the map information file " + infoPath + " (" +
                    (read.status == ReadStatus::missing ? std::strerror(ENOENT) : read.error) +
                    ")");
    }
    // Lines one and two are skipped; the title is the third, taken whole.
    std::string_view rest = read.bytes;
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

Status MessageSender::sendMessage(const std::string& mapFileName, const std::string& toStation,
                                  std::int16_t port, const std::string& digi,
                                  const std::string& msg) {
    const Result<std::string> caption = hostWindowTitle(mapFileName);
    if (!caption) {
        // Without a caption there is no window to type into: nothing is sent.
        return fail("Error Sending Message: " + caption.error());
    }
    const Failure failure = fail("Error Sending Message to " + *caption);
    if (!m_keys.activateWindow(*caption)) {
        return failure;
    }
    m_pacer.processEvents();

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
        if (m_pacer.cancelled() || !m_keys.sendKeys(row.keys)) {
            return failure;
        }
        if (row.pause) {
            m_pacer.waitSeconds(kKeystrokePause);
        } else {
            m_pacer.processEvents(); // the row after the port tab goes on without a pause
        }
    }
    return {};
}

} // namespace quillet
