#pragma once

#include "bulletins/bulletin.h"
#include "notifications/notifier.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// At most this many bulletins are listed in the notice for several at once.
inline constexpr std::size_t kNoticeLines = 5;

// One bulletin: "Bulletin from CALL (BLNx)" over its text. Several: "3 new bulletins" over a
// line "CALL (BLNx): text" for each of the first few. `news` is not empty.
Notice composeNotice(const std::vector<Bulletin>& news);

// The text as a notification body that the desktop reads as markup: "&", "<" and ">" become
// entities, so a bulletin shows exactly as it was sent.
std::string escapeNoticeMarkup(std::string_view text);

} // namespace quillet
