#include "hostlink/xdo_keystroke_sender.h"

#include "base/qt_text.h"
#include "hostlink/keystroke_notation.h"

// Qt's headers must come before X11's, whose macros (None, Bool, Status...) clash with them.
#include <QByteArray>
#include <QString>

extern "C" {
#include <xdo.h>
}
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

// Xlib's Status macro would hide the program's own result type below.
#undef Status

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace quillet {
namespace {

// A window can vanish between being listed and being asked for its name. Xlib's default
// handler would end the program for that, so errors are swallowed while this is in scope;
// the handler in place before (perhaps the toolkit's) comes back afterwards. Setting a
// handler takes Xlib's process-wide lock, which another thread may hold while it waits for
// the server (XOpenDisplay does): never make one while this connection holds a server grab.
class IgnoreXErrors {
public:
    explicit IgnoreXErrors(Display* display)
        : m_display(display), m_previous(XSetErrorHandler(&ignore)) {}
    ~IgnoreXErrors() {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }
    IgnoreXErrors(const IgnoreXErrors&) = delete;
    IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;

private:
    static int ignore(Display*, XErrorEvent*) { return 0; }

    Display* m_display;
    XErrorHandler m_previous;
};

// Reads one property of a window and hands its items to `use` before freeing it; false when
// the window has no property of that type and format. Format-32 items come back as longs,
// whatever the size of the type they hold.
template <typename Use>
bool withProperty(Display* display, Window window, Atom property, Atom type, int format,
                  long maxItems, Use use) {
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(display, window, property, 0, maxItems, False, type, &actualType,
                           &actualFormat, &count, &remaining, &data) == Success &&
        actualType == type && actualFormat == format && data != nullptr;
    if (found) {
        use(data, count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

// The window manager's list of managed top-level windows, oldest first. Empty optional when
// the property is missing, which means there is no (suitable) window manager.
std::optional<std::vector<Window>> clientWindows(Display* display) {
    std::vector<Window> windows;
    const bool listed = withProperty(
        display, DefaultRootWindow(display), XInternAtom(display, "_NET_CLIENT_LIST", False),
        XA_WINDOW, 32, 1L << 16, [&windows](const unsigned char* data, unsigned long count) {
            const auto* ids = reinterpret_cast<const unsigned long*>(data);
            windows.assign(ids, ids + count);
        });
    return listed ? std::optional(std::move(windows)) : std::nullopt;
}

// The window the window manager has made active (_NET_ACTIVE_WINDOW), or 0. Read here
// rather than through libxdo, whose own lookup does not free the property it reads.
Window activeWindowOf(Display* display) {
    Window active = 0;
    withProperty(
        display, DefaultRootWindow(display), XInternAtom(display, "_NET_ACTIVE_WINDOW", False),
        XA_WINDOW, 32, 1, [&active](const unsigned char* data, unsigned long count) {
            if (count == 1) {
                active = static_cast<Window>(*reinterpret_cast<const unsigned long*>(data));
            }
        });
    return active;
}

// Asks the window manager to activate the window, as a pager would. Done here rather than
// through libxdo, whose activation also reads (and never frees) the manager's feature list.
bool requestActivation(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // the request comes from a pager-like tool
    event.xclient.data.l[1] = CurrentTime;
    const int sent = XSendEvent(display, DefaultRootWindow(display), False,
                                SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    return sent != 0;
}

// The caption as UTF-8: _NET_WM_NAME when the window has one, else WM_NAME.
std::optional<std::string> windowCaption(Display* display, Window window) {
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::string netName;
    if (withProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                     1L << 16, [&netName](const unsigned char* data, unsigned long count) {
                         netName.assign(reinterpret_cast<const char*>(data), count);
                     })) {
        return netName;
    }
    XTextProperty property{};
    if (XGetWMName(display, window, &property) == 0 || property.value == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> caption;
    char** list = nullptr;
    int listCount = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &listCount) >= Success &&
        listCount > 0 && list != nullptr) {
        caption = std::string(list[0]);
    }
    if (list != nullptr) {
        XFreeStringList(list);
    }
    XFree(property.value);
    return caption;
}

// The process that owns the window, as its toolkit published it (_NET_WM_PID), or 0.
std::int64_t windowProcess(Display* display, Window window) {
    std::int64_t pid = 0;
    withProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, 1,
                 [&pid](const unsigned char* data, unsigned long count) {
                     if (count == 1) {
                         pid = static_cast<std::int64_t>(
                             *reinterpret_cast<const unsigned long*>(data));
                     }
                 });
    return pid;
}

// The window's parent, or 0 when it has none or is gone.
Window parentOf(Display* display, Window window) {
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &rootReturn, &parent, &children, &count) == 0) {
        return 0;
    }
    if (children != nullptr) {
        XFree(children);
    }
    return parent;
}

// Whether `window` is `top` or lies inside it.
bool inside(Display* display, Window window, Window top) {
    const Window root = DefaultRootWindow(display);
    for (int depth = 0; window != 0 && window != root && depth < 64; ++depth) {
        if (window == top) {
            return true;
        }
        window = parentOf(display, window);
    }
    return false;
}

// The caption of the window or of the nearest window around it that has one.
std::optional<std::string> captionAround(Display* display, Window window) {
    const Window root = DefaultRootWindow(display);
    for (int depth = 0; window != 0 && window != root && depth < 64; ++depth) {
        if (std::optional<std::string> name = windowCaption(display, window)) {
            return name;
        }
        window = parentOf(display, window);
    }
    return std::nullopt;
}

// Why no key may be pressed now, named from the window that took the focus where it can be.
// Made after the server grab is released: finding a caption may take Xlib's locks.
std::string focusLostReason(Display* display, Window target, Window active, Window focus) {
    std::string reason(kFocusLostReason);
    // The keyboard focus moves before the window manager publishes the new active window, so
    // the window that took the keys is named from the focus when it lies outside the host's.
    const bool focusOutside =
        focus != None && focus != PointerRoot && (active == 0 || !inside(display, focus, active));
    const std::optional<std::string> taker =
        focusOutside
            ? captionAround(display, focus)
            : (active != 0 && active != target ? windowCaption(display, active) : std::nullopt);
    if (taker) {
        reason += " (the focus went to \"" + toWindows1252(QString::fromStdString(*taker)) + "\")";
    }
    return reason;
}

// The keysym of a character: Latin-1 characters are their own, the rest Unicode keysyms.
KeySym keysymOf(char32_t character) {
    return (character >= 0x20 && character <= 0x7E) || (character >= 0xA0 && character <= 0xFF)
               ? static_cast<KeySym>(character)
               : static_cast<KeySym>(0x01000000 | character);
}

// One key as the server knows it, with the modifier keys held around it.
struct ServerKey {
    std::vector<xcb_keycode_t> modifiers;
    xcb_keycode_t code = 0;
};

// The key that types the character on the keyboard's first group, with Shift where the
// character lies on the key's second level; none when no key of the map has it.
std::optional<ServerKey> keyForCharacter(Display* display, char32_t character) {
    const KeySym symbol = keysymOf(character);
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code == 0) {
        return std::nullopt;
    }
    if (XkbKeycodeToKeysym(display, code, 0, 0) == symbol) {
        return ServerKey{{}, code};
    }
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (shift != 0 && XkbKeycodeToKeysym(display, code, 0, 1) == symbol) {
        return ServerKey{{shift}, code};
    }
    return std::nullopt;
}

// The key of a key sequence ("alt+m", "ctrl+shift+a", "Return"); none when the keyboard map
// lacks one of its keys.
std::optional<ServerKey> keyForSequence(Display* display, const std::string& sequence) {
    ServerKey key;
    std::size_t start = 0;
    for (;;) {
        const std::size_t plus = sequence.find('+', start);
        const std::string name = sequence.substr(start, plus - start);
        if (plus == std::string::npos) {
            const KeySym symbol = XStringToKeysym(name.c_str());
            key.code = symbol != NoSymbol ? XKeysymToKeycode(display, symbol) : 0;
            return key.code != 0 ? std::optional(std::move(key)) : std::nullopt;
        }
        const KeySym modifier = name == "ctrl"  ? XK_Control_L
                                : name == "alt" ? XK_Alt_L
                                                : XK_Shift_L;
        const KeyCode code = XKeysymToKeycode(display, modifier);
        if (code == 0) {
            return std::nullopt;
        }
        key.modifiers.push_back(code);
        start = plus + 1;
    }
}

// Replies of the X protocol, freed when they go out of scope.
template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPtr<Reply> owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

// The window a window lies in, or 0 (through the protocol alone: no Xlib lock is taken).
xcb_window_t parentOnServer(xcb_connection_t* connection, xcb_window_t window) {
    auto tree =
        owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    return tree ? tree->parent : 0;
}

// The window a dialog belongs to (WM_TRANSIENT_FOR), or 0.
xcb_window_t transientOwnerOnServer(xcb_connection_t* connection, xcb_window_t window) {
    auto property = owned(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) < 4) {
        return 0;
    }
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(property.get()));
}

// Which process made a window, asked of the server (the X-Resource extension): the process
// of the client as the server saw it connect, which no client can forge, unlike the
// properties any client may write on any window. Asked and read apart, so that questions go
// out together.
xcb_res_query_client_ids_cookie_t askOwner(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_res_client_id_spec_t client{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    return xcb_res_query_client_ids(connection, 1, &client);
}

// The answer to askOwner; 0 when the server cannot say (no such extension, a client from
// another machine).
std::uint32_t ownerAnswer(xcb_connection_t* connection, xcb_res_query_client_ids_cookie_t asked) {
    std::uint32_t owner = 0;
    auto reply = owned(xcb_res_query_client_ids_reply(connection, asked, nullptr));
    for (auto ids = reply ? xcb_res_query_client_ids_ids_iterator(reply.get())
                          : xcb_res_client_id_value_iterator_t{};
         ids.rem > 0; xcb_res_client_id_value_next(&ids)) {
        // Which client and kind of id the value is, and its size in bytes.
        const auto& [client, bytes] = *ids.data;
        if ((client.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 &&
            bytes == sizeof(std::uint32_t)) {
            owner = *xcb_res_client_id_value_value(ids.data);
        }
    }
    return owner;
}

// What the focus check saw: whether the target still exists, the window manager's active
// window and the keyboard focus, and whether the server could tell every window's owner.
struct FocusSeen {
    bool targetExists = false;
    xcb_window_t active = 0;
    xcb_window_t focus = 0;
    bool held = false;
    bool ownersKnown = true;
};

// Whether a key may be pressed now: the window manager's active window is the target or one
// of its dialogs, the keyboard focus lies in it, and every one of these windows was made by
// the target's own process (`owner`, 0 when the server could not say), so that no other
// program's window passes for the host's by declaring itself its dialog or by holding the
// focus inside it. Asked of the server while it is grabbed, so only protocol requests of this
// connection are made: questions that do not depend on each other go out together, and no
// Xlib lock or other client is waited for.
FocusSeen focusOnServer(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t activeAtom,
                        xcb_window_t target, std::uint32_t owner) {
    const auto attributesCookie = xcb_get_window_attributes(connection, target);
    const auto activeCookie =
        xcb_get_property(connection, 0, root, activeAtom, XCB_ATOM_WINDOW, 0, 1);
    const auto focusCookie = xcb_get_input_focus(connection);
    FocusSeen seen;
    seen.targetExists =
        owned(xcb_get_window_attributes_reply(connection, attributesCookie, nullptr)) != nullptr;
    if (auto active = owned(xcb_get_property_reply(connection, activeCookie, nullptr));
        active && active->format == 32 && xcb_get_property_value_length(active.get()) >= 4) {
        seen.active = *static_cast<const xcb_window_t*>(xcb_get_property_value(active.get()));
    }
    if (auto focus = owned(xcb_get_input_focus_reply(connection, focusCookie, nullptr))) {
        seen.focus = focus->focus;
    }
    if (!seen.targetExists || seen.active == 0 || seen.focus == XCB_NONE ||
        seen.focus == XCB_INPUT_FOCUS_POINTER_ROOT) {
        return seen;
    }
    // The windows that must be the host's: the dialogs from the active window down to the
    // target, and the window holding the focus. Their owners are asked along the way and the
    // answers read at the end, so that a dialog over the host's window costs one more round
    // trip, not three.
    std::vector<xcb_res_query_client_ids_cookie_t> owners;
    if (owner != 0 && seen.focus != target && seen.focus != seen.active) {
        owners.push_back(askOwner(connection, seen.focus));
    }
    bool activeBelongs = false;
    xcb_window_t window = seen.active;
    for (int depth = 0; window != 0 && depth < 8 && !activeBelongs; ++depth) {
        activeBelongs = window == target;
        if (!activeBelongs) {
            if (owner != 0) {
                owners.push_back(askOwner(connection, window));
            }
            window = transientOwnerOnServer(connection, window);
        }
    }
    window = seen.focus;
    for (int depth = 0; activeBelongs && window != 0 && window != root && depth < 64; ++depth) {
        if (window == seen.active) {
            seen.held = true;
            break;
        }
        window = parentOnServer(connection, window);
    }
    seen.ownersKnown = owner != 0;
    for (const auto& asked : owners) {
        const std::uint32_t made = ownerAnswer(connection, asked);
        seen.ownersKnown = seen.ownersKnown && made != 0;
        seen.held = seen.held && (made == 0 || made == owner);
    }
    return seen;
}

std::string displayName() {
    const char* name = std::getenv("DISPLAY");
    return name != nullptr ? name : "";
}

} // namespace

XdoKeystrokeSender::XdoKeystrokeSender() {
    const std::string name = displayName();
    if (name.empty()) {
        m_displayError = "no X display: DISPLAY is not set";
        return;
    }
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr) {
        m_displayError = "cannot open the X display \"" + name + "\"";
        return;
    }
    m_display = display;
    m_activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    // The display stays ours: libxdo neither closes it nor keeps a name it would free.
    m_xdo = xdo_new_with_opened_display(display, nullptr, 0);
    if (m_xdo != nullptr) {
        m_xdo->quiet = 1;
    } else {
        XCloseDisplay(display);
        m_display = nullptr;
        m_displayError = "libxdo could not start on the X display \"" + name + "\"";
    }
}

XdoKeystrokeSender::~XdoKeystrokeSender() {
    if (m_xdo != nullptr) {
        xdo_free(m_xdo);
    }
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

Status XdoKeystrokeSender::activateWindow(const std::string& caption, std::int64_t processId) {
    m_target = 0;
    if (m_xdo == nullptr) {
        return fail(m_displayError);
    }
    Display* display = m_display;
    // Window managers and toolkits publish captions as UTF-8.
    const QByteArray wanted = fromWindows1252(caption).toUtf8();
    const std::string_view wantedView(wanted.constData(), static_cast<std::size_t>(wanted.size()));

    Window target = 0;
    std::uint32_t targetOwner = 0;
    bool ownersKnown = true;
    {
        IgnoreXErrors guard(display);
        const std::optional<std::vector<Window>> windows = clientWindows(display);
        if (!windows) {
            return fail("the window manager does not list its windows (_NET_CLIENT_LIST); is a "
                        "window manager running?");
        }
        std::vector<Window> matching;
        std::vector<xcb_window_t> ids;
        std::vector<bool> equal;
        for (const Window window : *windows) {
            const std::optional<std::string> name = windowCaption(display, window);
            if (name && name->starts_with(wantedView)) {
                matching.push_back(window);
                ids.push_back(static_cast<xcb_window_t>(window));
                equal.push_back(*name == wantedView);
            }
        }
        // The best match: the host's own process before any other, then an equal caption
        // before one that only begins with the text. A look-alike window of another program
        // is taken only when the host shows no window with the caption. Which process made a
        // window is asked of the server; only where it cannot say does the window's own word
        // (_NET_WM_PID, which any client can write) count.
        xcb_connection_t* connection = XGetXCBConnection(display);
        std::vector<xcb_res_query_client_ids_cookie_t> asked;
        for (const xcb_window_t id : ids) {
            asked.push_back(askOwner(connection, id));
        }
        std::vector<std::uint32_t> owners;
        for (const auto& each : asked) {
            owners.push_back(ownerAnswer(connection, each));
        }
        int bestRank = 0;
        for (std::size_t i = 0; i < matching.size(); ++i) {
            ownersKnown = ownersKnown && owners[i] != 0;
            const std::int64_t made =
                owners[i] != 0 ? owners[i] : windowProcess(display, matching[i]);
            const int rank = (processId > 0 && made == processId ? 2 : 0) + (equal[i] ? 1 : 0) + 1;
            if (rank > bestRank) {
                bestRank = rank;
                target = matching[i];
                targetOwner = owners[i];
            }
        }
    }
    if (target == 0) {
        return fail("no window has the caption \"" + std::string(wantedView) + "\"");
    }

    // The window must be active and stay so for a moment: a window that was mapped just
    // before (one of the program's own, say) can still be given the focus by the window
    // manager after this request, and the keys would then go there.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kActivationTimeoutMs);
    auto activeWindow = [&] {
        IgnoreXErrors guard(display);
        return activeWindowOf(display);
    };
    for (;;) {
        {
            IgnoreXErrors guard(display);
            if (!requestActivation(display, target)) {
                return fail("the window manager refused to activate \"" + std::string(wantedView) +
                            "\"");
            }
        }
        while (activeWindow() != target && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (activeWindow() == target) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kActivationSettleMs));
            if (activeWindow() == target) {
                break;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return fail(std::string(wantedView).insert(0, 1, '"') +
                        "\" did not become active within " + std::to_string(kActivationTimeoutMs) +
                        " ms");
        }
    }
    m_target = target;
    m_targetOwner = targetOwner;
    if (!ownersKnown) {
        noteOwnersUnknown();
    }
    return {};
}

void XdoKeystrokeSender::noteOwnersUnknown() {
    if (!m_ownersNoted) {
        m_ownersNoted = true;
        m_notice = std::string(kOwnersUnknownNotice);
    }
}

std::string XdoKeystrokeSender::takeNotice() {
    return std::exchange(m_notice, std::string());
}

Status XdoKeystrokeSender::pressChecked(const std::string& key, bool isText) {
    // Keys are looked up before the server is grabbed: the lookup may take Xlib's locks.
    const QString text = isText ? QString::fromUtf8(key) : QString();
    const std::optional<ServerKey> serverKey =
        isText ? (text.size() == 1 ? keyForCharacter(m_display, text[0].unicode()) : std::nullopt)
               : keyForSequence(m_display, key);
    IgnoreXErrors guard(m_display);
    xcb_connection_t* connection = XGetXCBConnection(m_display);
    const auto root = static_cast<xcb_window_t>(DefaultRootWindow(m_display));
    const auto target = static_cast<xcb_window_t>(m_target);
    FocusSeen seen;
    if (serverKey) {
        // The check and the key go to the server while it serves no other client, so that no
        // window manager or program can move the focus between them. Nothing inside waits for
        // anything but this connection's own replies: the grab lasts a round trip or two.
        xcb_grab_server(connection);
        seen = focusOnServer(connection, root, static_cast<xcb_atom_t>(m_activeAtom), target,
                             m_targetOwner);
        if (seen.held) {
            for (const xcb_keycode_t modifier : serverKey->modifiers) {
                xcb_test_fake_input(connection, XCB_KEY_PRESS, modifier, XCB_CURRENT_TIME, XCB_NONE,
                                    0, 0, 0);
            }
            xcb_test_fake_input(connection, XCB_KEY_PRESS, serverKey->code, XCB_CURRENT_TIME,
                                XCB_NONE, 0, 0, 0);
            xcb_test_fake_input(connection, XCB_KEY_RELEASE, serverKey->code, XCB_CURRENT_TIME,
                                XCB_NONE, 0, 0, 0);
            for (auto it = serverKey->modifiers.rbegin(); it != serverKey->modifiers.rend(); ++it) {
                xcb_test_fake_input(connection, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0,
                                    0, 0);
            }
        }
        xcb_ungrab_server(connection);
        xcb_flush(connection);
    } else {
        // A character missing from the keyboard map is typed by libxdo, which binds a spare key
        // for it: the receiving program must be able to read the changed map meanwhile, so the
        // server is not held, and the check comes just before the key.
        seen = focusOnServer(connection, root, static_cast<xcb_atom_t>(m_activeAtom), target,
                             m_targetOwner);
    }
    if (!seen.ownersKnown) {
        noteOwnersUnknown();
    }
    if (!seen.targetExists) {
        return fail(std::string(kWindowClosedReason));
    }
    if (!seen.held) {
        return fail(focusLostReason(m_display, m_target, seen.active, seen.focus));
    }
    if (!serverKey) {
        const int pressed =
            isText ? xdo_enter_text_window(m_xdo, CURRENTWINDOW, key.c_str(), kKeyDelayMicroseconds)
                   : xdo_send_keysequence_window(m_xdo, CURRENTWINDOW, key.c_str(),
                                                 kKeyDelayMicroseconds);
        if (pressed != XDO_SUCCESS) {
            return fail(isText ? "libxdo could not type \"" + toWindows1252(text) + "\""
                               : "libxdo could not press " + key);
        }
        return {};
    }
    // The pause between keys, so that the receiving program keeps up.
    std::this_thread::sleep_for(std::chrono::microseconds(kKeyDelayMicroseconds));
    return {};
}

Status XdoKeystrokeSender::sendKeys(const std::string& keys) {
    if (m_xdo == nullptr) {
        return fail(m_displayError);
    }
    if (m_target == 0) {
        return fail("no window was activated to type into");
    }
    const Result<std::vector<KeyAction>> parsed = parseKeystrokes(keys);
    if (!parsed) {
        return fail("invalid keystroke notation: " + parsed.error());
    }
    for (const KeyAction& action : *parsed) {
        if (action.kind == KeyAction::Kind::Text) {
            // One character at a time, so that a focus change inside a long text stops the
            // rest of it. libxdo types a character missing from the keyboard map (an accented
            // letter on a US map) by binding it to a spare key for that one keystroke;
            // toolkits can miss the binding and drop the character.
            const QString text = fromWindows1252(action.text);
            for (const QChar character : text) {
                if (Status typed = pressChecked(QString(character).toUtf8().toStdString(), true);
                    !typed) {
                    return typed;
                }
            }
        } else if (Status pressed = pressChecked(action.text, false); !pressed) {
            return pressed;
        }
    }
    XFlush(m_display);
    return {};
}

} // namespace quillet
