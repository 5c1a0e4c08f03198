#include "host/xdo_keystroke_sender.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace quillet {
namespace {

TEST(XdoKeystrokeSender, WithoutADisplayEveryCallFailsWithAReason) {
    const char* old = std::getenv("DISPLAY");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    for (const char* display : {static_cast<const char*>(nullptr), ":32767"}) {
        if (display != nullptr) {
            ::setenv("DISPLAY", display, 1);
        } else {
            ::unsetenv("DISPLAY");
        }
        XdoKeystrokeSender sender;
        EXPECT_FALSE(sender.hasDisplay());
        const std::string reason = sender.lastError();
        EXPECT_NE(reason.find(display == nullptr ? "DISPLAY" : ":32767"), std::string::npos)
            << reason;
        EXPECT_FALSE(sender.activateWindow("UI-View32 V2.03 [North Sea]"));
        EXPECT_FALSE(sender.sendKeys("%M"));
        EXPECT_EQ(sender.lastError(), reason);
    }
    if (saved) {
        ::setenv("DISPLAY", saved->c_str(), 1);
    }
}

} // namespace
} // namespace quillet
