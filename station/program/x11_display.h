#pragma once

#include <optional>
#include <string>

namespace quillet::station {

// Why no X11 display can be reached, or nothing when one can (or when Qt is told to use
// another platform, such as offscreen for tests). Qt itself would end the program with an
// abort.
std::optional<std::string> x11DisplayProblem();

} // namespace quillet::station
