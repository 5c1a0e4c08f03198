#include "message_sender.h"

#include "base/qt_text.h"
#include "host/keystroke_notation.h"

#include <QFile>

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

HostCaption mapTitle(HostMap& map) {
    std::string mapFile;
    try {
        mapFile = map.mapFileName();
    } catch (const HostError& error) {
        return {{}, error.what()};
    }
    const std::string infoPath = mapInfoPath(mapFile);
    QFile file(fromWindows1252(infoPath));
    if (!file.open(QIODevice::ReadOnly)) {
        return {{},
                "cannot read the map information file " + infoPath + " (" +
                    toWindows1252(file.errorString()) + ")"};
    }
    // Lines one and two are skipped; the title is the third, taken whole.
    for (int line = 1; line <= 3; ++line) {
        if (file.atEnd()) {
            return {{}, "the map information file " + infoPath + " has fewer than three lines"};
        }
        const QByteArray text = file.readLine(1 << 20);
        if (line == 3) {
            return {withoutLineEnd(text), {}};
        }
    }
    return {}; // not reached
}

HostCaption hostWindowTitle(HostMap& map) {
    HostCaption title = mapTitle(map);
    if (title.error.empty()) {
        title.caption = "UI-View32 V2.03 [" + title.caption + "]";
    }
    return title;
}

std::string MessageSender::sendMessage(HostMap* map, const std::string& toStation,
                                       std::int16_t port, const std::string& digi,
                                       const std::string& msg,
                                       const std::function<void()>& showMainWindow) {
    if (map == nullptr) {
        return "Error Sending Message: the host is not reachable";
    }
    const HostCaption title = hostWindowTitle(*map);
    if (!title.error.empty()) {
        // Without a caption there is no window to type into: nothing is sent.
        return "Error Sending Message: " + title.error;
    }
    const std::string failure = "Error Sending Message to " + title.caption;
    if (!m_keys.activateWindow(title.caption)) {
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
    if (showMainWindow) {
        showMainWindow();
    }
    return "Sent: <" + toStation + "> " + msg;
}

} // namespace quillet
