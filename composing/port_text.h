#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillet {

// The host port typed into the Add Message window as a signed 16-bit number: an optional
// sign, decimal digits and an optional fraction after ".", blanks around it allowed. A
// fraction rounds to the nearest whole number, exactly half to the even one. Empty text,
// anything else, or a whole number outside -32768..32767 gives nothing.
std::optional<std::int16_t> convertPort(std::string_view text);

} // namespace quillet
