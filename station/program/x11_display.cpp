#include "station/program/x11_display.h"

#include <cstdlib>
#include <string_view>

// Xlib's macros (Status, None, Bool) stay in this file.
#include <X11/Xlib.h>

namespace quillet::station {

std::optional<std::string> x11DisplayProblem() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && !std::string_view(platform).starts_with("xcb")) {
        return std::nullopt;
    }
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        return "DISPLAY is not set (for a run without one: QT_QPA_PLATFORM=offscreen)";
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return "cannot open the display \"" + std::string(name) + "\"";
    }
    XCloseDisplay(display);
    return std::nullopt;
}

} // namespace quillet::station
