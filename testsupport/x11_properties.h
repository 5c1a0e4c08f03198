#pragma once

// Window properties read and written as any X client can, for the tests that play another
// program on the display. Include after Qt's headers, whose names X11's macros would hide.

#include <X11/Xlib.h>

#include <vector>

namespace quillet::testing {

// The items of a property of 32-bit values on a window.
inline std::vector<unsigned long> property(Display* display, unsigned long window, const char* name,
                                           Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False, type,
                       &actualType, &format, &count, &remaining, &data);
    std::vector<unsigned long> items;
    if (data != nullptr) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
        XFree(data);
    }
    return items;
}

// Writes a property of one 32-bit value on a window, as any program may on any window.
inline void forge(Display* display, unsigned long window, const char* name, Atom type,
                  unsigned long value) {
    XChangeProperty(display, window, XInternAtom(display, name, False), type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XSync(display, False);
}

} // namespace quillet::testing
