#include "widgets/x11_display.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Xlib's macros (Status, None, Bool) stay in this file.
#include <X11/Xlib.h>

namespace quillet {

// Written Result<void>: Xlib's Status macro would replace the program's Status.
Result<void> x11DisplayReachable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && !std::string_view(platform).starts_with("xcb")) {
        return {};
    }
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        return fail("DISPLAY is not set (for a run without one: QT_QPA_PLATFORM=offscreen)");
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return fail("cannot open the display \"" + std::string(name) + "\"");
    }
    XCloseDisplay(display);
    return {};
}

bool x11DisplayReachableOrSaid(std::string_view program) {
    const Result<void> reachable = x11DisplayReachable();
    if (!reachable) {
        std::fprintf(stderr, "%.*s needs an X11 display: %s\n", static_cast<int>(program.size()),
                     program.data(), reachable.error().c_str());
    }
    return reachable.ok();
}

} // namespace quillet
