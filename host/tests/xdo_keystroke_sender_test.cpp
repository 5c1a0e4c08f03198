#include "host/xdo_keystroke_sender.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace quillet {
namespace {

// Sets DISPLAY for the life of the object and puts the old value back.
class DisplayVariable {
public:
    explicit DisplayVariable(const char* value) {
        if (const char* old = std::getenv("DISPLAY")) {
            m_old = old;
        }
        if (value != nullptr) {
            ::setenv("DISPLAY", value, 1);
        } else {
            ::unsetenv("DISPLAY");
        }
    }
    ~DisplayVariable() {
        if (m_old) {
            ::setenv("DISPLAY", m_old->c_str(), 1);
        } else {
            ::unsetenv("DISPLAY");
        }
    }

private:
    std::optional<std::string> m_old;
};

TEST(XdoKeystrokeSender, WithoutADisplayEveryCallFailsWithAReason) {
    for (const char* display : {static_cast<const char*>(nullptr), ":32767"}) {
        DisplayVariable variable(display);
        XdoKeystrokeSender sender;
        EXPECT_FALSE(sender.hasDisplay());
        const std::string reason = sender.lastError();
        EXPECT_NE(reason.find(display == nullptr ? "DISPLAY" : ":32767"), std::string::npos)
            << reason;
        EXPECT_FALSE(sender.activateWindow("UI-View32 V2.03 [North Sea]"));
        EXPECT_FALSE(sender.sendKeys("%M"));
        EXPECT_EQ(sender.lastError(), reason);
    }
}

} // namespace
} // namespace quillet
