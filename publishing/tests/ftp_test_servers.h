#pragma once

// Servers for the upload tests and the benchmark: a real FTP server (Debian's pyftpdlib,
// started on a free port of 127.0.0.1) and a TCP listener that accepts and never answers.

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace quillet::testing {

// The interpreter that Debian's python3-pyftpdlib is installed for; the first python3 on
// PATH may be another one without it.
inline constexpr const char* kDebianPython = "/usr/bin/python3";

// Why pyftpdlib cannot be used here, or empty when it can.
inline std::string pyftpdlibMissing() {
    const std::string check = std::string(kDebianPython) + " -c 'import pyftpdlib' 2>/dev/null";
    return std::system(check.c_str()) == 0 ? std::string()
                                           : "pyftpdlib is not installed for /usr/bin/python3: "
                                             "apt-get install python3-pyftpdlib";
}

inline sockaddr_in loopbackAddress(int port = 0) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A new socket bound to a free loopback port, listening when asked; the port comes back too.
inline int boundLoopbackSocket(int& port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopbackAddress();
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (fd < 0 || ::bind(fd, raw, sizeof address) != 0 || (listening && ::listen(fd, 8) != 0) ||
        ::getsockname(fd, raw, &length) != 0) {
        throw std::runtime_error("no free loopback port");
    }
    port = ntohs(address.sin_port);
    return fd;
}

// A loopback port that nothing listens on at the moment of asking.
inline int freeLoopbackPort() {
    int port = 0;
    ::close(boundLoopbackSocket(port, false));
    return port;
}

inline bool acceptsConnections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopbackAddress(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// pyftpdlib serving `root` with write rights for one user, for the object's lifetime.
// `extraPython`, when given, is a Python program run instead of the module's own start,
// for a server with settings the command line does not offer.
class FtpServer {
public:
    FtpServer(const std::filesystem::path& root, std::string user, std::string password,
              const std::string& pythonProgram = {})
        : m_port(freeLoopbackPort()) {
        const std::string port = std::to_string(m_port);
        std::vector<std::string> args{kDebianPython};
        if (pythonProgram.empty()) {
            args.insert(args.end(), {"-m", "pyftpdlib", "-i", "127.0.0.1", "-p", port, "-w", "-d",
                                     root.string(), "-u", user, "-P", password});
        } else {
            args.insert(args.end(), {"-c", pythonProgram, port, root.string(), user, password});
        }
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // its log of every command would drown the test's own output
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned =
            posix_spawn(&m_pid, kDebianPython, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            throw std::runtime_error("cannot start /usr/bin/python3");
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!acceptsConnections(m_port)) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                throw std::runtime_error("pyftpdlib ended at start");
            }
            if (std::chrono::steady_clock::now() > deadline) {
                throw std::runtime_error("pyftpdlib did not start listening in 15 s");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~FtpServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    int m_port;
    pid_t m_pid = -1;
};

// Accepts every connection and never sends a byte: a server that hangs.
class SilentServer {
public:
    SilentServer() {
        m_listen = boundLoopbackSocket(m_port, true);
        m_thread = std::thread([this] {
            while (!m_stop) {
                pollfd ready{m_listen, POLLIN, 0};
                if (::poll(&ready, 1, 100) > 0) {
                    const int client = ::accept(m_listen, nullptr, nullptr);
                    if (client >= 0) {
                        m_clients.push_back(client); // held open, never written to
                        ++m_accepted;
                    }
                }
            }
        });
    }
    ~SilentServer() {
        m_stop = true;
        m_thread.join();
        for (const int client : m_clients) {
            ::close(client);
        }
        ::close(m_listen);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::size_t accepted() const { return m_accepted; }

private:
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_accepted{0};
    std::vector<int> m_clients;
    std::thread m_thread;
};

} // namespace quillet::testing
