#pragma once

// What Quillet and quillet-host agree on over the session bus: the names the host registers,
// the methods and signals either side uses, and the shape of the message log it serves.
// Both programs and their tests take every name from here, so a name is written once.
//
// Q_CLASSINFO wants string literals, so the interface names are macros as well; the
// constants below are made from the same macros.

#include <string_view>

// UI-View32's automation interface, and the interface of the map object it hands out.
#define QUILLET_BUS_INTERFACE_UIVIEW32 "com.peaksystems.UIView32"
#define QUILLET_BUS_INTERFACE_MAP QUILLET_BUS_INTERFACE_UIVIEW32 ".Map"
// quillet-host's own interface: a bulletin sent without keystrokes, and word when the log
// changes. UI-View32 does not offer it. The number changes with any change that older
// programs would misread.
#define QUILLET_BUS_INTERFACE_HOST1 "org.quillet.Host1"
#define QUILLET_BUS_METHOD_SEND_BULLETIN "SendBulletin"
#define QUILLET_BUS_METHOD_MESSAGE_LOG_AFTER "MessageLogAfter"
#define QUILLET_BUS_SIGNAL_LOG_CHANGED "MessageLogChanged"
// quillet-host's controls for tests and demos; Quillet never calls them.
#define QUILLET_BUS_INTERFACE_HOST_CONTROL1 "org.quillet.HostControl1"

namespace quillet::contract {

// The service name, and the object that carries the host's interfaces.
inline constexpr char kService[] = QUILLET_BUS_INTERFACE_UIVIEW32;
inline constexpr char kPath[] = "/UIView32";

// UI-View32's interface on kPath:
//   CurrentMap() -> o: the object of the map shown now (kMapPath on quillet-host);
//   MessageLog(i selector) -> s: the log the selector names (kBulletinLogSelector);
//   StationCallsign() -> s;
//   signal UIView32IsClosing().
inline constexpr char kInterface[] = QUILLET_BUS_INTERFACE_UIVIEW32;
inline constexpr char kCurrentMapMethod[] = "CurrentMap";
inline constexpr char kMessageLogMethod[] = "MessageLog";
inline constexpr char kStationCallsignMethod[] = "StationCallsign";
inline constexpr char kClosingSignal[] = "UIView32IsClosing";

// The map object: MapFileName() -> s, the path of the map file with its extension.
inline constexpr char kMapInterface[] = QUILLET_BUS_INTERFACE_MAP;
inline constexpr char kMapPath[] = "/UIView32/CurrentMap";
inline constexpr char kMapFileNameMethod[] = "MapFileName";

// quillet-host's own interface on kPath:
//   SendBulletin(s addressee, i port, s path, s text) -> (b sent, s status): what the
//     message form's Send does, with its checks and its words in `status`;
//   MessageLogAfter(s logId, i linesHeld) -> (s logId, i firstLine, s lines): the bulletin log
//     from line `firstLine` on, in MessageLog's form. Lines are numbered from the start of the
//     host's run, the ones dropped from the front of a full log included. `logId` names the
//     run; within it the log only grows. Given the current id and a count the log has reached,
//     the answer holds the lines after the first `linesHeld` (firstLine == linesHeld);
//     otherwise (a restarted host, a reader of another log) it holds the whole log;
//   signal MessageLogChanged(): a bulletin was logged (heard, sent, or added), once per burst.
inline constexpr char kDirectInterface[] = QUILLET_BUS_INTERFACE_HOST1;
inline constexpr char kSendBulletinMethod[] = QUILLET_BUS_METHOD_SEND_BULLETIN;
inline constexpr char kMessageLogAfterMethod[] = QUILLET_BUS_METHOD_MESSAGE_LOG_AFTER;
inline constexpr char kLogChangedSignal[] = QUILLET_BUS_SIGNAL_LOG_CHANGED;

// quillet-host's controls on kPath:
//   MessageLogReads() -> i: how often the bulletin log was read;
//   Quit();
// and, only when it plays a feed without links:
//   AddBulletin(s callsign, s addressee, s text);
//   LoadFeed(s path) -> i: the lines read, or -1 when the file cannot be read.
inline constexpr char kControlInterface[] = QUILLET_BUS_INTERFACE_HOST_CONTROL1;
inline constexpr char kMessageLogReadsMethod[] = "MessageLogReads";
inline constexpr char kQuitMethod[] = "Quit";
inline constexpr char kAddBulletinMethod[] = "AddBulletin";
inline constexpr char kLoadFeedMethod[] = "LoadFeed";

} // namespace quillet::contract

namespace quillet {

// The selector MessageLog takes for the bulletin log.
inline constexpr int kBulletinLogSelector = 2;

// The log is lines ended by CR LF, of three fields (sender, addressee, text) separated by "³":
// the byte 0xB3 in Windows-1252, as Quillet reads it, and U+00B3 on the bus and in
// quillet-host's log file, which are UTF-8.
inline constexpr char kFieldSeparator = '\xB3';
inline constexpr char32_t kFieldSeparatorCodePoint = 0xB3;
inline constexpr std::string_view kFieldSeparatorUtf8 = "\xC2\xB3";

} // namespace quillet
