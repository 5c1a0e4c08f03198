#include "hostlink/xdo_keystroke_sender.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillet {
namespace {

// Changes DISPLAY; ctest runs each test in a process of its own.
TEST(XdoKeystrokeSender, WithoutADisplayEveryCallFailsWithAReason) {
    for (const char* display : {static_cast<const char*>(nullptr), ":32767"}) {
        display != nullptr ? ::setenv("DISPLAY", display, 1) : ::unsetenv("DISPLAY");
        XdoKeystrokeSender sender;
        const std::string reason = sender.activateWindow("UI-View32 V2.03 [North Sea]", 42).error();
        EXPECT_NE(reason.find(display == nullptr ? "DISPLAY" : ":32767"), std::string::npos)
            << reason;
        EXPECT_EQ(sender.sendKeys("%M").error(), reason);
    }
}

} // namespace
} // namespace quillet
