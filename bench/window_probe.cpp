// Starts a program on the X display and measures it from outside, as the operator sees it:
// the time from starting the process to its main window being shown, its resident memory
// once the window shows, and optionally the processor share it uses while left alone.
//
//     build/bench/quillet_window_probe [--caption TEXT] [--settle S] [--idle S] [--timeout S]
//                                      -- PROGRAM [ARGUMENTS...]
//
// The window counts as shown when a window whose title starts with TEXT (default
// "Quillet [") is viewable: mapped, and so is every window it sits in (the window manager's
// frame). The program is ended with SIGTERM afterwards. One line of JSON goes to stdout:
// startup_ms, rss_kib and, with --idle, idle_cpu_s, idle_wall_s and idle_share_pct.
#include "proc_stats.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace quillet::bench;

struct Options {
    std::string caption = "Quillet [";
    double settleSeconds = 1.0;
    double idleSeconds = 0.0;
    double timeoutSeconds = 30.0;
    std::vector<char*> command; // ends with nullptr
};

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) {
            return std::nullopt;
        }
        const char* value = argv[++i];
        char* end = nullptr;
        if (name == "--caption") {
            options.caption = value;
            continue;
        }
        const double number = std::strtod(value, &end);
        if (*value == '\0' || *end != '\0' || number < 0) {
            return std::nullopt;
        }
        if (name == "--settle") {
            options.settleSeconds = number;
        } else if (name == "--idle") {
            options.idleSeconds = number;
        } else if (name == "--timeout") {
            options.timeoutSeconds = number;
        } else {
            return std::nullopt;
        }
    }
    if (i + 1 >= argc) {
        return std::nullopt;
    }
    options.command.assign(argv + i + 1, argv + argc);
    options.command.push_back(nullptr);
    return options;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Windows vanish between the event that names them and the request about them; such
// errors only mean "not this one".
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

std::string windowTitle(Display* display, Window window) {
    static const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && type == utf8 && format == 8) {
        title.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    char* name = nullptr;
    if (title.empty() && XFetchName(display, window, &name) && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

bool isShown(Display* display, Window window, const std::string& caption) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable &&
           windowTitle(display, window).rfind(caption, 0) == 0;
}

// Waits for the program's window. Every top-level window created on the screen is watched
// for its own map and title changes; the frames the window manager maps report to the root.
bool waitForWindow(Display* display, pid_t pid, const Options& options) {
    std::vector<Window> watched;
    const auto deadline = Clock::now() + std::chrono::duration<double>(options.timeoutSeconds);
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify) {
                const Window created = event.xcreatewindow.window;
                XSelectInput(display, created, StructureNotifyMask | PropertyChangeMask);
                watched.push_back(created);
            }
        }
        for (const Window window : watched) {
            if (isShown(display, window, options.caption)) {
                return true;
            }
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before its window showed\n", options.command[0]);
            return false;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(ConnectionNumber(display), &readable);
        timeval wait{0, 50'000};
        select(ConnectionNumber(display) + 1, &readable, nullptr, nullptr, &wait);
    }
    std::fprintf(stderr, "no window titled \"%s...\" within %.0f s\n", options.caption.c_str(),
                 options.timeoutSeconds);
    return false;
}

void endProgram(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

void sleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: %s [--caption TEXT] [--settle S] [--idle S] [--timeout S] "
                     "-- PROGRAM [ARGUMENTS...]\n",
                     argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open the X display (DISPLAY=%s)\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const auto started = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, options->command[0], nullptr, nullptr, options->command.data(),
                     environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", options->command[0]);
        return 1;
    }
    if (!waitForWindow(display, pid, *options)) {
        endProgram(pid);
        return 1;
    }
    const double startupMs =
        std::chrono::duration<double, std::milli>(Clock::now() - started).count();

    const std::string proc = "/proc/" + std::to_string(pid);
    sleepSeconds(options->settleSeconds);
    const std::optional<std::uint64_t> rss = residentKib(readFile(proc + "/status"));
    if (!rss) {
        std::fprintf(stderr, "no resident memory in %s/status\n", proc.c_str());
        endProgram(pid);
        return 1;
    }
    std::string idle;
    if (options->idleSeconds > 0) {
        const auto ticks0 = processorTicks(readFile(proc + "/stat"));
        const auto wall0 = Clock::now();
        sleepSeconds(options->idleSeconds);
        const auto ticks1 = processorTicks(readFile(proc + "/stat"));
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        if (!ticks0 || !ticks1 || waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "the program ended while it was measured\n");
            endProgram(pid);
            return 1;
        }
        const double cpu =
            static_cast<double>(*ticks1 - *ticks0) / static_cast<double>(sysconf(_SC_CLK_TCK));
        char text[160];
        std::snprintf(text, sizeof text,
                      ", \"idle_cpu_s\": %.3f, \"idle_wall_s\": %.3f, \"idle_share_pct\": %.4f",
                      cpu, wall, 100.0 * cpu / wall);
        idle = text;
    }
    endProgram(pid);
    XCloseDisplay(display);
    std::printf("{\"startup_ms\": %.1f, \"rss_kib\": %llu%s}\n", startupMs,
                static_cast<unsigned long long>(*rss), idle.c_str());
    return 0;
}
