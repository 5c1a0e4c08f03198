#pragma once

#include "publishing/transfer_control.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace quillet {

// The transfer control over libcurl. Commands run on a worker thread of its own, so the
// window stays alive during an upload; all of one run's commands share one easy handle and
// so one connection, which "CLOSE" or the next run's cancel ends.
//
// "CD dir" checks that the directory can be entered and makes it the URL path of the
// following PUTs: relative to the directory where the previous CD left off, or to the login
// directory, unless it starts with "/". "PUT local remote" takes the local name up to the
// first blank and the remote name from the rest, so a remote name may hold blanks.
// Transfers are binary and passive (curl's defaults), and every one is bounded in time.
//
// The host's scheme picks the protocol: none or "ftp://" plain FTP, "ftps://" FTP with
// explicit TLS on both connections (the certificate and host name are checked against the
// system's authorities and the CA file), "sftp://" SSH (the host key is checked against
// ~/.ssh/known_hosts; the login is the password when one is set, otherwise the user's key
// ~/.ssh/id_ed25519 or ~/.ssh/id_rsa). A folder is relative to the login folder unless it
// starts with "/".
class CurlTransferControl final : public TransferControl {
public:
    struct Limits {
        std::chrono::seconds connect{10};      // TCP connection and the FTP login
        std::chrono::seconds response{10};     // each answer of the server
        long lowSpeedBytesPerSecond = 1;       // slower than this ...
        std::chrono::seconds lowSpeedTime{10}; // ... for this long fails the transfer
    };

    explicit CurlTransferControl(Limits limits);
    CurlTransferControl() : CurlTransferControl(Limits{}) {}
    ~CurlTransferControl() override;
    CurlTransferControl(const CurlTransferControl&) = delete;
    CurlTransferControl& operator=(const CurlTransferControl&) = delete;

    void cancel() override;
    void setProtocolFtp() override {}
    void setRemoteHost(const std::string& host) override;
    void setUserName(const std::string& user) override;
    void setPassword(const std::string& password) override;
    void setCaFile(const std::string& file) override;
    void setLocalDirectory(const std::string& directory) override;
    Status execute(const std::string& commandLine) override;
    bool stillExecuting() const override;

private:
    struct Config {
        std::string host;
        std::string user;
        std::string password;
        std::string caFile;
        std::string localDirectory;
    };
    struct Job {
        std::string commandLine;
        Config config;
        std::uint64_t generation = 0;
    };
    class Worker;

    void workerLoop();

    const Limits m_limits;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Config m_config;
    std::optional<Job> m_job;
    bool m_executing = false;
    std::optional<std::string> m_failure; // the failed command's description, until cancel
    bool m_stopping = false;
    // Bumped by cancel; a command of an older generation is abandoned and its end ignored.
    std::atomic<std::uint64_t> m_generation{1};
    std::thread m_thread;
};

} // namespace quillet
