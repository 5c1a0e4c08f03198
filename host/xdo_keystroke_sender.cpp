#include "host/xdo_keystroke_sender.h"

#include "base/qt_text.h"
#include "host/keystroke_notation.h"

// Qt's headers must come before X11's, whose macros (None, Bool, Status...) clash with them.
#include <QByteArray>
#include <QString>

extern "C" {
#include <xdo.h>
}
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace quillet {
namespace {

// A window can vanish between being listed and being asked for its name. Xlib's default
// handler would end the program for that, so errors are swallowed while this is in scope;
// the handler in place before (perhaps the toolkit's) comes back afterwards.
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
    const Status sent = XSendEvent(display, DefaultRootWindow(display), False,
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

std::string displayName() {
    const char* name = std::getenv("DISPLAY");
    return name != nullptr ? name : "";
}

} // namespace

XdoKeystrokeSender::XdoKeystrokeSender() {
    const std::string name = displayName();
    if (name.empty()) {
        m_displayError = "no X display: DISPLAY is not set";
        m_lastError = m_displayError;
        return;
    }
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr) {
        m_displayError = "cannot open the X display \"" + name + "\"";
        m_lastError = m_displayError;
        return;
    }
    m_display = display;
    // The display stays ours: libxdo neither closes it nor keeps a name it would free.
    m_xdo = xdo_new_with_opened_display(display, nullptr, 0);
    if (m_xdo != nullptr) {
        m_xdo->quiet = 1;
    } else {
        XCloseDisplay(display);
        m_display = nullptr;
        m_displayError = "libxdo could not start on the X display \"" + name + "\"";
        m_lastError = m_displayError;
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

bool XdoKeystrokeSender::fail(std::string reason) {
    m_lastError = std::move(reason);
    return false;
}

bool XdoKeystrokeSender::activateWindow(const std::string& caption) {
    if (m_xdo == nullptr) {
        return fail(m_displayError);
    }
    Display* display = m_display;
    // Window managers and toolkits publish captions as UTF-8.
    const QByteArray wanted = fromWindows1252(caption).toUtf8();
    const std::string_view wantedView(wanted.constData(), static_cast<std::size_t>(wanted.size()));

    Window target = 0;
    {
        IgnoreXErrors guard(display);
        const std::optional<std::vector<Window>> windows = clientWindows(display);
        if (!windows) {
            return fail("the window manager does not list its windows (_NET_CLIENT_LIST); is a "
                        "window manager running?");
        }
        Window byPrefix = 0;
        for (const Window window : *windows) {
            const std::optional<std::string> name = windowCaption(display, window);
            if (!name) {
                continue;
            }
            if (*name == wantedView) {
                target = window;
                break;
            }
            if (byPrefix == 0 && name->starts_with(wantedView)) {
                byPrefix = window;
            }
        }
        if (target == 0) {
            target = byPrefix;
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
            return fail("\"" + std::string(wantedView) + "\" did not become active within " +
                        std::to_string(kActivationTimeoutMs) + " ms");
        }
    }
    m_lastError.clear();
    return true;
}

bool XdoKeystrokeSender::sendKeys(const std::string& keys) {
    if (m_xdo == nullptr) {
        return fail(m_displayError);
    }
    const ParsedKeystrokes parsed = parseKeystrokes(keys);
    if (!parsed.ok()) {
        return fail("invalid keystroke notation: " + parsed.error);
    }
    for (const KeyAction& action : parsed.actions) {
        if (action.kind == KeyAction::Kind::Text) {
            // libxdo types a character missing from the keyboard map (an accented letter on
            // a US map) by binding it to a spare key for that one keystroke; toolkits can
            // miss the binding and drop the character, so such texts are not reliable.
            const QByteArray utf8 = fromWindows1252(action.text).toUtf8();
            if (xdo_enter_text_window(m_xdo, CURRENTWINDOW, utf8.constData(),
                                      kKeyDelayMicroseconds) != XDO_SUCCESS) {
                return fail("libxdo could not type \"" + std::string(utf8.constData()) + "\"");
            }
        } else if (m_xdo == nullptr ||
                   xdo_send_keysequence_window(m_xdo, CURRENTWINDOW, action.text.c_str(),
                                               kKeyDelayMicroseconds) != XDO_SUCCESS) {
            return fail("libxdo could not press " + action.text);
        }
    }
    XFlush(m_display);
    m_lastError.clear();
    return true;
}

} // namespace quillet
