// The keystroke layer on the real X display with its window manager (the test command starts
// both): what arrives in the window typed into, what another program can do to the focus, and
// what the typing does to the other clients of the server.
#include "hostlink/keystroke_sender.h"
#include "hostlink/xdo_keystroke_sender.h"

#include <gtest/gtest.h>

// X11's headers come after the test framework's, whose names their macros would hide.
#include "testsupport/x11_properties.h"
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// Xlib's Status macro would hide the program's own result type.
#undef Status

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quillet {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Xlib's locks are on, as the toolkit turns them on in the program, before any other call.
const bool kThreadsOn = XInitThreads() != 0;

// Waits up to `limit` for the condition; whether it came.
template <typename Condition>
bool waitUntil(Condition condition, milliseconds limit = milliseconds(5000)) {
    const auto deadline = Clock::now() + limit;
    while (!condition() && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    return condition();
}

// A client of the display with one window of its own: a top-level window that the window
// manager manages, or one it never sees (override-redirect), as any program can make.
class TestWindow {
public:
    TestWindow(const std::string& caption, bool managed) : m_display(XOpenDisplay(nullptr)) {
        if (m_display == nullptr) {
            return;
        }
        XSetWindowAttributes attributes{};
        attributes.override_redirect = managed ? False : True;
        attributes.event_mask = KeyPressMask;
        m_window = XCreateWindow(m_display, DefaultRootWindow(m_display), 20, 20, 300, 60, 0,
                                 CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWEventMask, &attributes);
        XStoreName(m_display, m_window, caption.c_str());
        XMapRaised(m_display, m_window);
        XSync(m_display, False);
    }
    ~TestWindow() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    Display* display() const { return m_display; }
    Window window() const { return m_window; }

    // Waits up to five seconds for the window to have received `expected`; what it has. A
    // key held with Alt is written "<alt+x>".
    std::string typed(const std::string& expected = "") {
        waitUntil([&] {
            XSync(m_display, False);
            while (XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                char text[8] = {};
                const int length =
                    event.type == KeyPress
                        ? XLookupString(&event.xkey, text, sizeof text, nullptr, nullptr)
                        : 0;
                const std::string character(text, static_cast<std::size_t>(std::max(length, 0)));
                m_typed += (event.xkey.state & Mod1Mask) != 0 && length > 0
                               ? "<alt+" + character + ">"
                               : character;
            }
            return m_typed == expected;
        });
        return m_typed;
    }

    // The window manager's active window, as any client reads it.
    Window activeWindow() const {
        const std::vector<unsigned long> active = testing::property(
            m_display, DefaultRootWindow(m_display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return active.size() == 1 ? active[0] : 0;
    }

private:
    Display* m_display;
    Window m_window = 0;
    std::string m_typed;
};

std::string caption(const char* name) {
    return std::string(name) + " " + std::to_string(::getpid());
}

// Activates the window by its caption, giving the window manager up to five seconds to take
// it on.
bool activate(XdoKeystrokeSender& sender, const std::string& text) {
    return waitUntil([&] { return sender.activateWindow(text, 0).ok(); });
}

// How long the thread has waited for a processor so far, from the kernel's scheduler
// statistics; zero where they are not kept.
std::chrono::nanoseconds waitedForProcessor(pid_t process, pid_t thread) {
    std::ifstream stats("/proc/" + std::to_string(process) + "/task/" + std::to_string(thread) +
                        "/schedstat");
    long long running = 0;
    long long waiting = 0;
    stats >> running >> waiting;
    return std::chrono::nanoseconds(stats ? waiting : 0);
}

// The X server's process, from the other end of the connection; 0 when it cannot be told.
pid_t serverProcess(Display* display) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(ConnectionNumber(display), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
               ? peer.pid
               : 0;
}

bool skipWithoutDisplay() {
    return std::getenv("DISPLAY") == nullptr && std::getenv("QUILLET_SKIP_X11_TESTS") != nullptr;
}

TEST(XdoKeystrokeSender, WithoutADisplayEveryCallFailsWithAReason) {
    ASSERT_TRUE(kThreadsOn);
    const char* own = std::getenv("DISPLAY");
    const std::string kept = own != nullptr ? own : "";
    for (const char* display : {static_cast<const char*>(nullptr), ":32767"}) {
        display != nullptr ? ::setenv("DISPLAY", display, 1) : ::unsetenv("DISPLAY");
        XdoKeystrokeSender sender;
        const std::string reason = sender.activateWindow("UI-View32 V2.03 [North Sea]", 42).error();
        EXPECT_NE(reason.find(display == nullptr ? "DISPLAY" : ":32767"), std::string::npos)
            << reason;
        EXPECT_EQ(sender.sendKeys("%M").error(), reason);
    }
    own != nullptr ? ::setenv("DISPLAY", kept.c_str(), 1) : ::unsetenv("DISPLAY");
}

// Keys reach the activated window as written, shifted and with Alt where the notation says so.
// While they are typed, the server keeps answering every other client, and another thread of
// the same program can open and close connections to it (each waits for the server while it
// holds Xlib's own process-wide lock). A round trip counts as held up by the time that neither
// the asking thread, the server nor the typing thread spent waiting for a processor: on a
// loaded machine those waits are the machine's, a server held across any other wait is the
// program's. Then a program moves the keyboard focus into a window of its own while the host's
// window is still the active one: it gets no key.
TEST(XdoKeystrokeSender, TypesOnlyWhileTheHostHoldsTheFocusAndHoldsUpNoOtherClient) {
    if (skipWithoutDisplay()) {
        GTEST_SKIP() << "no X display and QUILLET_SKIP_X11_TESTS is set";
    }
    const std::string hostCaption = caption("Typed into");
    TestWindow host(hostCaption, true);
    TestWindow intruder(caption("Intruder"), false);
    Display* other = XOpenDisplay(nullptr);
    XdoKeystrokeSender sender;
    ASSERT_TRUE(host.display() != nullptr && intruder.display() != nullptr && other != nullptr);
    ASSERT_TRUE(activate(sender, hostCaption));

    const std::string keys = "Club net tonight 20:00 on 145.500, 73 de G4ABC{%} {(}QRV{)}!%m";
    const std::string written = "Club net tonight 20:00 on 145.500, 73 de G4ABC% (QRV)!<alt+m>";
    const pid_t server = serverProcess(other);
    std::atomic<pid_t> typist = 0;
    std::atomic<bool> typing = true;
    std::atomic<int> opened = 0;
    Clock::duration longest{};
    std::thread roundTrips([&] {
        const pid_t self = ::gettid();
        const auto waited = [&] {
            return waitedForProcessor(::getpid(), self) + waitedForProcessor(server, server) +
                   (typist != 0 ? waitedForProcessor(::getpid(), typist) : Clock::duration{});
        };
        while (typing) {
            const auto start = Clock::now();
            const auto waitedBefore = waited();
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(other, &focus, &revert);
            longest = std::max(longest, Clock::now() - start - (waited() - waitedBefore));
        }
    });
    std::thread opening([&] {
        while (typing) {
            if (Display* display = XOpenDisplay(nullptr)) {
                XCloseDisplay(display);
                ++opened;
            }
        }
    });
    std::future<Status> typed = std::async(std::launch::async, [&] {
        typist = ::gettid();
        return sender.sendKeys(keys);
    });
    if (typed.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        // The threads are stuck in Xlib: nothing can be joined, so the test ends here.
        std::fprintf(stderr, "typing did not end within 30 s: the keystroke layer and a thread "
                             "opening a display are waiting for each other\n");
        std::_Exit(1);
    }
    typing = false;
    roundTrips.join();
    opening.join();
    XCloseDisplay(other);
    EXPECT_TRUE(typed.get().ok());
    EXPECT_EQ(host.typed(written), written);
    EXPECT_GT(opened.load(), 0);
    EXPECT_LE(std::chrono::duration_cast<milliseconds>(longest).count(), 50)
        << "another client's round trip was held up";

    // openbox sees the focus leave its client and clears the active window; the program then
    // writes the host's window back, as any client may.
    XSetInputFocus(intruder.display(), intruder.window(), RevertToParent, CurrentTime);
    waitUntil([&] { return intruder.activeWindow() == 0; }, milliseconds(2000));
    testing::forge(intruder.display(), DefaultRootWindow(intruder.display()), "_NET_ACTIVE_WINDOW",
                   XA_WINDOW, host.window());
    ASSERT_EQ(intruder.activeWindow(), host.window());
    const Status stopped = sender.sendKeys("x");
    ASSERT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error().rfind(kFocusLostReason, 0), 0u) << stopped.error();
    EXPECT_EQ(intruder.typed(), "");
    EXPECT_EQ(host.typed(written), written);
}

} // namespace
} // namespace quillet
