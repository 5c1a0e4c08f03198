#include "app/tests/window_manager_state.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quillet::testing {

bool announcedActive(unsigned long windowId) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    bool active = false;
    const Atom property = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (property != 0 &&
        XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32) {
        active = *reinterpret_cast<const unsigned long*>(data) == windowId;
    }
    if (data != nullptr) {
        XFree(data);
    }
    XCloseDisplay(display);
    return active;
}

} // namespace quillet::testing
