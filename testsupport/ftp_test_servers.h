#pragma once

// Servers for the upload tests and the benchmark, each on a free port of 127.0.0.1: plain FTP
// (Debian's pyftpdlib), FTPS (pure-ftpd), SFTP (OpenSSH's sshd) and one that never answers.

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace quillet::testing {

// Debian's python3-pyftpdlib is installed for it; the first python3 on PATH may be another.
inline constexpr const char* kDebianPython = "/usr/bin/python3";

inline std::string pyftpdlibMissing() {
    const std::string check = std::string(kDebianPython) + " -c 'import pyftpdlib' 2>/dev/null";
    return std::system(check.c_str()) == 0 ? "" : "apt-get install python3-pyftpdlib";
}

// For the keys and certificates the tests make.
inline void shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

// Connects to a loopback port, or with `port` 0 binds a free one and tells it.
inline bool loopback(int& port, bool connecting) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(0x7F000001)}, {}};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    const bool ok = connecting
                        ? ::connect(fd, raw, sizeof address) == 0
                        : ::bind(fd, raw, length) == 0 && ::getsockname(fd, raw, &length) == 0;
    port = ntohs(address.sin_port);
    ::close(fd);
    return ok;
}

inline int freeLoopbackPort() {
    int port = 0;
    return loopback(port, false) ? port : throw std::runtime_error("no free loopback port");
}

// A server program for the object's lifetime, ready once its port accepts connections. Its
// output goes nowhere: server logs would drown the test's own.
class ServerProcess {
public:
    ServerProcess(std::vector<std::string> args, int port) : m_port(port) {
        std::vector<char*> argv(args.size() + 1); // ends with the null pointer
        std::transform(args.begin(), args.end(), argv.begin(),
                       [](auto& arg) { return arg.data(); });
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
        while (!loopback(port, true)) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid ||
                std::chrono::steady_clock::now() > deadline) {
                stop(SIGKILL);
                throw std::runtime_error(args[0] + " did not start listening");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~ServerProcess() { stop(SIGTERM); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    // A server that has not ended 5 s after the signal is killed: SIGKILL cannot be ignored.
    void stop(int signal) {
        ::kill(m_pid, signal);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
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
                                             "-p", std::to_string(port), "-w", "-d", root.string(),
                                             "-u", user, "-P", password}
                  : std::vector<std::string>{kDebianPython, "-c", pythonProgram,
                                             std::to_string(port), root.string(), user, password},
              port) {}
};

// Accepts every connection and never sends a byte: a server that hangs. It adds a byte to
// `record` for each connection it took, so that a test can wait until a client hangs on it.
class SilentServer : public ServerProcess {
public:
    explicit SilentServer(std::filesystem::path record, int port = freeLoopbackPort())
        : ServerProcess({kDebianPython, "-c",
                         "import socket, sys\ns = socket.create_server(('127.0.0.1', "
                         "int(sys.argv[1])))\nheld = []\nwhile True:\n held.append(s.accept())\n"
                         " open(sys.argv[2], 'a').write('.')",
                         std::to_string(port), record.string()},
                        port),
          m_record(std::move(record)) {}
    std::uintmax_t accepted() const {
        std::error_code none;
        const std::uintmax_t size = std::filesystem::file_size(m_record, none);
        return none ? 0 : size;
    }

private:
    std::filesystem::path m_record;
};

// pure-ftpd with TLS required on every connection, anonymous uploads only (into the home of
// the `ftp` user), and the key and certificate in `pem`. Needs root.
class FtpsServer : public ServerProcess {
public:
    explicit FtpsServer(const std::filesystem::path& pem, int port = freeLoopbackPort())
        : ServerProcess({"/usr/sbin/pure-ftpd", "-S", "127.0.0.1," + std::to_string(port), "-e",
                         "-M", "-Y", "3", "-2", pem.string(), "-p",
                         std::to_string(port + 1) + ":" + std::to_string(port + 20)},
                        port) {}
};

// sshd with the host key `dir`/host_key, taking only the client key `dir`/authorized_keys,
// serving SFTP with `home` as the login folder.
class SftpServer : public ServerProcess {
public:
    SftpServer(const std::filesystem::path& dir, const std::filesystem::path& home,
               int port = freeLoopbackPort())
        : ServerProcess({"/usr/sbin/sshd", "-D", "-e", "-f", config(dir, home, port)}, port) {}

private:
    static std::string config(const std::filesystem::path& dir, const std::filesystem::path& home,
                              int port) {
        const std::string file = (dir / "sshd_config").string();
        std::ofstream(file) << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey "
                            << (dir / "host_key").string() << "\nAuthorizedKeysFile "
                            << (dir / "authorized_keys").string()
                            << "\nPidFile none\nStrictModes no\nUsePAM no\n"
                               "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                               "PermitRootLogin prohibit-password\n"
                               "Subsystem sftp internal-sftp -d "
                            << home.string() << "\n";
        if (::geteuid() == 0) {
            std::filesystem::create_directories("/run/sshd"); // its privilege separation
        }
        return file;
    }
};

} // namespace quillet::testing
