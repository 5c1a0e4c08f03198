#pragma once

#include "hostlink/host_settings.h"

#include <string>

namespace quillet {

// Host settings for tests: the folder is whatever the test puts there.
class FakeHostSettings final : public HostSettings {
public:
    std::string folder;

    std::string programFolder() const override { return folder; }
};

} // namespace quillet
