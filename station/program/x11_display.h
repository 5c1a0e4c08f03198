#pragma once

#include "base/result.h"

namespace quillet::station {

// Whether an X11 display can be reached (or Qt is told to use another platform, such as
// offscreen for tests), or why not. Qt itself would end the program with an abort.
Status x11DisplayReachable();

} // namespace quillet::station
