#pragma once

// Servers for the upload tests and the benchmark, each on a free port of 127.0.0.1: a plain
// FTP server (Debian's pyftpdlib), an FTPS server (pure-ftpd), an SFTP server (OpenSSH's
// sshd) and a TCP listener that accepts and never answers.

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
#include <fstream>
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

// Runs a shell command line, failing loudly: for the keys and certificates the tests make.
inline void shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

// A new socket bound to a free loopback port, listening when asked; the port comes back too.
inline int boundLoopbackSocket(int& port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// A server program for the object's lifetime, on a port it takes from its arguments; ready
// once that port accepts connections. Its output goes nowhere: logs would drown the test's.
class ServerProcess {
public:
    ServerProcess(std::vector<std::string> args, int port) : m_port(port) {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            throw std::runtime_error("cannot start " + args[0]);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!acceptsConnections(m_port)) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                throw std::runtime_error(args[0] + " ended at start");
            }
            if (std::chrono::steady_clock::now() > deadline) {
                throw std::runtime_error(args[0] + " did not start listening in 15 s");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~ServerProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    int m_port;
    pid_t m_pid = -1;
};

// pyftpdlib serving `root` with write rights for one user. `pythonProgram`, when given, is
// run instead of the module's own start, for a server with settings the command line lacks.
class FtpServer : public ServerProcess {
public:
    FtpServer(const std::filesystem::path& root, const std::string& user,
              const std::string& password, const std::string& pythonProgram = {},
              int port = freeLoopbackPort())
        : ServerProcess(
              pythonProgram.empty()
                  ? std::vector<std::string>{kDebianPython, "-m", "pyftpdlib", "-i", "127.0.0.1",
                                             "-p", std::to_string(port), "-w", "-d",
                                             root.string(), "-u", user, "-P", password}
                  : std::vector<std::string>{kDebianPython, "-c", pythonProgram,
                                             std::to_string(port), root.string(), user,
                                             password},
              port) {}
};

// pure-ftpd with TLS required on every connection, anonymous uploads only (into the home of
// the `ftp` user), and the key and certificate in `pem`. Needs root.
class FtpsServer : public ServerProcess {
public:
    FtpsServer(const std::filesystem::path& pem, int port = freeLoopbackPort())
        : ServerProcess({"/usr/sbin/pure-ftpd", "-S", "127.0.0.1," + std::to_string(port), "-e",
                         "-M", "-Y", "3", "-2", pem.string(), "-p",
                         std::to_string(port + 1) + ":" + std::to_string(port + 20)},
                        port) {}
};

// OpenSSH's sshd with a host key of its own, taking only the given client key, and serving
// SFTP with `home` as the login folder.
class SftpServer : public ServerProcess {
public:
    SftpServer(const std::filesystem::path& dir, const std::filesystem::path& home,
               const std::filesystem::path& clientPublicKey, int port = freeLoopbackPort())
        : ServerProcess(start(dir, home, clientPublicKey, port), port) {}

    static std::filesystem::path hostKey(const std::filesystem::path& dir) {
        return dir / "host_key";
    }

private:
    static std::vector<std::string> start(const std::filesystem::path& dir,
                                          const std::filesystem::path& home,
                                          const std::filesystem::path& clientPublicKey, int port) {
        shell("ssh-keygen -q -t ed25519 -N '' -C '' -f '" + hostKey(dir).string() + "'");
        std::filesystem::copy_file(clientPublicKey, dir / "authorized_keys");
        std::ofstream(dir / "sshd_config")
            << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << hostKey(dir).string()
            << "\nPidFile none\nAuthorizedKeysFile " << (dir / "authorized_keys").string()
            << "\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
               "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n"
               "Subsystem sftp internal-sftp -d "
            << home.string() << "\n";
        if (::geteuid() == 0) {
            std::filesystem::create_directories("/run/sshd"); // its privilege separation
        }
        return {"/usr/sbin/sshd", "-D", "-e", "-f", (dir / "sshd_config").string()};
    }
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
