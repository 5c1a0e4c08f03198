#pragma once

#include "base/result.h"

#include <functional>
#include <string>

namespace quillet {

// One desktop notice. Both texts are plain Windows-1252 text: the notifier turns them into
// whatever the desktop expects, so nothing in them is ever taken as markup.
struct Notice {
    std::string summary;
    std::string body;

    bool operator==(const Notice&) const = default;
};

// The desktop's notification service.
class Notifier {
public:
    using Done = std::function<void(const Status&)>;

    virtual ~Notifier() = default;

    // Hands the notice over without waiting for the desktop; `done` runs later, on the
    // caller's thread, with the outcome.
    virtual void notify(const Notice& notice, Done done) = 0;
};

} // namespace quillet
