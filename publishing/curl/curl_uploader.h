#pragma once

#include "publishing/uploader.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace quillet {

// The uploader over libcurl. All steps of a run share one easy handle and so one
// connection. Transfers are binary and passive (curl's defaults), and every one is bounded
// in time by the limits.
//
// The host's scheme picks the protocol: none or "ftp://" plain FTP, "ftps://" FTP with
// explicit TLS on both connections (the certificate and host name are checked against the
// system's authorities and the CA file), "sftp://" SSH (the host key is checked against
// ~/.ssh/known_hosts; the login is the password when one is set, otherwise the user's key
// ~/.ssh/id_ed25519 or ~/.ssh/id_rsa).
//
// A failed step is reported as the command an FTP client would show for it ("CD dir",
// "PUT local remote", the local file by its name alone) followed by " failed: " and why.
class CurlUploader final : public Uploader {
public:
    struct Limits {
        std::chrono::seconds connect{10};      // TCP connection and the FTP login
        std::chrono::seconds response{10};     // each answer of the server
        long lowSpeedBytesPerSecond = 1;       // slower than this ...
        std::chrono::seconds lowSpeedTime{10}; // ... for this long fails the transfer
    };

    explicit CurlUploader(Limits limits);
    CurlUploader() : CurlUploader(Limits{}) {}
    ~CurlUploader() override;
    CurlUploader(const CurlUploader&) = delete;
    CurlUploader& operator=(const CurlUploader&) = delete;

    // Safe from any thread, for the program's end: the step under way stops within about a
    // second, failing, and every later step fails at once.
    void cancel() { m_cancelled = true; }

    Status open(const UploadTarget& target) override;
    Status enterFolder(const std::string& folder) override;
    Status put(const std::filesystem::path& localFile, const std::string& remoteName) override;
    void close() override;

private:
    class Connection; // the easy handle and what the run has done so far

    const Limits m_limits;
    std::atomic<bool> m_cancelled = false;
    std::unique_ptr<Connection> m_connection; // from open to close
};

} // namespace quillet
