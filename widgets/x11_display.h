#pragma once

#include "base/result.h"

#include <string_view>

namespace quillet {

// Whether an X11 display can be reached (or Qt is told to use another platform, such as
// offscreen for tests), or why not. Qt itself would end the program with an abort.
Status x11DisplayReachable();

// Checked before the application object is made: when no display can be reached, says so in
// one sentence on stderr ("quillet needs an X11 display: DISPLAY is not set ...") and gives
// false, for the program to end with status 1.
bool x11DisplayReachableOrSaid(std::string_view program);

} // namespace quillet
