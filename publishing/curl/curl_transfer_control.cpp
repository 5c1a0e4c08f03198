#include "publishing/curl/curl_transfer_control.h"

#include "publishing/publish_targets.h"

#include <curl/curl.h>
#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

constexpr const char* kStillExecuting = "still executing the last command";

std::string afterCommand(const std::string& line, std::size_t verbLength) {
    return line.size() > verbLength ? line.substr(verbLength) : std::string();
}

bool startsWith(const std::string& line, std::string_view prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

std::string escapeSegment(CURL* curl, std::string_view segment) {
    char* escaped = curl_easy_escape(curl, segment.data(), static_cast<int>(segment.size()));
    std::string out = escaped ? escaped : "";
    curl_free(escaped);
    return out;
}

// The URL of a remote folder, ending in "/". Plain and TLS FTP take a relative path from the
// login folder and "%2F" for the root; SFTP takes "/~/" for the login folder and "/" for the
// root. Each segment is escaped, empty ones dropped.
std::string folderUrl(CURL* curl, const FtpAddress& address, const std::string& path) {
    const bool sftp = address.scheme == FtpScheme::sftp;
    const bool absolute = path.starts_with('/');
    std::string url = (sftp ? "sftp://" : "ftp://") + address.authority() + "/";
    if (sftp) {
        url += absolute ? "" : "~/";
    } else if (absolute) {
        url += "%2F";
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            url += escapeSegment(curl, std::string_view(path).substr(start, end - start)) + "/";
        }
        start = end + 1;
    }
    return url;
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

// "SHA256:" and the unpadded base64 of the key's hash, as ssh-keygen -l shows it.
std::string keyFingerprint(const curl_khkey& key) {
    std::string raw;
    if (key.len > 0) {
        raw.assign(key.key, key.len);
    } else {
        // A key given as base64 text; the decoder counts its padding as zero bytes.
        const std::string_view text(key.key);
        raw.resize(text.size());
        const int size = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(raw.data()),
                                         reinterpret_cast<const unsigned char*>(text.data()),
                                         static_cast<int>(text.size()));
        const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with('=') ? 1 : 0;
        raw.resize(size > 0 ? static_cast<std::size_t>(size) - padding : 0);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestSize = 0;
    EVP_Digest(raw.data(), raw.size(), digest, &digestSize, EVP_sha256(), nullptr);
    std::string base64(4 * ((digestSize + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64.data()), digest,
                                       static_cast<int>(digestSize));
    base64.resize(static_cast<std::size_t>(length));
    while (base64.ends_with('=')) {
        base64.pop_back();
    }
    return "SHA256:" + base64;
}

const char* keyTypeName(int type) {
    switch (type) {
    case CURLKHTYPE_RSA1:
    case CURLKHTYPE_RSA:
        return "RSA";
    case CURLKHTYPE_DSS:
        return "DSA";
    case CURLKHTYPE_ECDSA:
        return "ECDSA";
    case CURLKHTYPE_ED25519:
        return "ED25519";
    default:
        return "unknown";
    }
}

void curlInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t discardBody(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

} // namespace

// Lives on the worker thread only: the easy handle and what the connection has done so far.
class CurlTransferControl::Worker {
public:
    Worker(const Limits& limits, const std::atomic<std::uint64_t>& generation)
        : m_limits(limits), m_currentGeneration(generation) {}
    ~Worker() { closeConnection(true); }

    // Runs one command to its end.
    Status run(const Job& job) {
        if (job.generation != m_handleGeneration) {
            // A new run: whatever the old one left open goes.
            closeConnection(true);
            m_handleGeneration = job.generation;
            m_remoteDir.clear();
        }
        m_generation = job.generation;
        const std::string& line = job.commandLine;
        if (line == "CLOSE") {
            closeConnection();
            return {};
        }
        Result<FtpAddress> address = parseFtpHost(job.config.host);
        if (!address) {
            return fail(line + " failed: " + address.error());
        }
        m_address = std::move(address).value();
        if (startsWith(line, "CD ")) {
            return changeDirectory(job, afterCommand(line, 3));
        }
        if (startsWith(line, "PUT ")) {
            return put(job, afterCommand(line, 4));
        }
        return fail(line + ": not a command this control knows");
    }

    // Sends QUIT on an open connection. `quick` gives the server a second to answer instead
    // of the full response time: for a connection abandoned or broken, where a silent server
    // must not hold up the report or the next run.
    void closeConnection(bool quick = false) {
        if (m_curl) {
            if (quick) {
                curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, 1L);
            }
            curl_easy_cleanup(m_curl);
            m_curl = nullptr;
        }
    }

private:
    bool sftp() const { return m_address.scheme == FtpScheme::sftp; }

    Status changeDirectory(const Job& job, const std::string& dir) {
        std::string target = dir;
        if (!dir.starts_with('/') && !m_remoteDir.empty()) {
            target = m_remoteDir + "/" + dir;
        }
        const std::string command = "CD " + dir;
        if (Status ready = prepare(job, command); !ready) {
            return ready;
        }
        // FTP enters the folder and asks for no listing; SFTP has no such step, so the
        // folder is listed (and the listing dropped) to learn that it is there.
        curl_easy_setopt(m_curl, CURLOPT_URL, folderUrl(m_curl, m_address, target).c_str());
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, sftp() ? 0L : 1L);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 0L);
        if (Status done = perform(job, command); !done) {
            return done;
        }
        m_remoteDir = target;
        return {};
    }

    Status put(const Job& job, const std::string& names) {
        const std::size_t blank = names.find(' ');
        if (blank == std::string::npos || blank == 0 || blank + 1 >= names.size()) {
            return fail("PUT " + names + ": a local and a remote file name are needed");
        }
        const std::string local = names.substr(0, blank);
        const std::string remote = names.substr(blank + 1);
        const std::string command = "PUT " + names;
        const std::filesystem::path localFile =
            std::filesystem::path(job.config.localDirectory) / local;
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
            std::fopen(localFile.c_str(), "rb"), &std::fclose);
        struct stat info {};
        if (!file || ::fstat(::fileno(file.get()), &info) != 0) {
            return fail(command + " failed: cannot read " + localFile.string() + " (" +
                        std::strerror(errno) + ")");
        }
        if (Status ready = prepare(job, command); !ready) {
            return ready;
        }
        const std::string url =
            folderUrl(m_curl, m_address, m_remoteDir) + escapeSegment(m_curl, remote);
        curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, file.get());
        curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
        Status done = perform(job, command);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, nullptr);
        return done;
    }

    // The handle with the run's settings, made on its first command.
    Status prepare(const Job& job, const std::string& command) {
        if (!m_curl) {
            m_curl = curl_easy_init();
            if (!m_curl) {
                return fail(command + " failed: the transfer library could not start");
            }
        }
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, sftp() ? "sftp" : "ftp");
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, job.config.user.c_str());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, job.config.password.c_str());
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, long(m_limits.connect.count()));
        curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(m_limits.response.count()));
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytesPerSecond);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, long(m_limits.lowSpeedTime.count()));
        curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
        curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &Worker::onReply);
        curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &discardBody);
        curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &Worker::onProgress);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
        if (m_address.scheme == FtpScheme::ftps) {
            curl_easy_setopt(m_curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
            curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 2L);
            if (!job.config.caFile.empty()) {
                // The file joins the system's authorities, which stay in their folder.
                curl_easy_setopt(m_curl, CURLOPT_CAINFO, job.config.caFile.c_str());
                if (std::filesystem::is_directory("/etc/ssl/certs")) {
                    curl_easy_setopt(m_curl, CURLOPT_CAPATH, "/etc/ssl/certs");
                }
            }
        } else {
            curl_easy_setopt(m_curl, CURLOPT_USE_SSL, long(CURLUSESSL_NONE));
        }
        if (sftp()) {
            return prepareSsh(job, command);
        }
        return {};
    }

    Status prepareSsh(const Job& job, const std::string& command) {
        const std::filesystem::path ssh = std::filesystem::path(homeDirectory()) / ".ssh";
        m_knownHosts = (ssh / "known_hosts").string();
        curl_easy_setopt(m_curl, CURLOPT_SSH_KNOWNHOSTS, m_knownHosts.c_str());
        curl_easy_setopt(m_curl, CURLOPT_SSH_KEYFUNCTION, &Worker::onHostKey);
        curl_easy_setopt(m_curl, CURLOPT_SSH_KEYDATA, this);
        if (!job.config.password.empty()) {
            // Servers that take passwords often ask for them as keyboard-interactive.
            curl_easy_setopt(m_curl, CURLOPT_SSH_AUTH_TYPES,
                             long(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
            return {};
        }
        m_privateKey.clear();
        for (const char* name : {"id_ed25519", "id_rsa"}) {
            if (std::filesystem::is_regular_file(ssh / name)) {
                m_privateKey = (ssh / name).string();
                break;
            }
        }
        if (m_privateKey.empty()) {
            return fail(command + " failed: no FTP password is set and there is no key " +
                        (ssh / "id_ed25519").string() + " or id_rsa to log in with");
        }
        m_publicKey = m_privateKey + ".pub";
        curl_easy_setopt(m_curl, CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PUBLICKEY));
        curl_easy_setopt(m_curl, CURLOPT_SSH_PRIVATE_KEYFILE, m_privateKey.c_str());
        curl_easy_setopt(m_curl, CURLOPT_SSH_PUBLIC_KEYFILE,
                         std::filesystem::is_regular_file(m_publicKey) ? m_publicKey.c_str() : "");
        return {};
    }

    // What went wrong, said for the operator rather than in the library's words.
    std::string describe(CURLcode code) const {
        switch (code) {
        case CURLE_LOGIN_DENIED:
            return sftp() ? "Login denied: the server refused the user name, the password or "
                            "the key"
                          : "Login denied: the server refused the user name or the password";
        case CURLE_USE_SSL_FAILED:
            return "the server does not offer FTPS (it refused AUTH TLS); it may speak plain "
                   "FTP only";
        case CURLE_SSL_CACERT_BADFILE:
            return "the certificate file FTP_CA_FILE cannot be read";
        case CURLE_SSL_CONNECT_ERROR:
            return "the TLS handshake with the server failed";
        case CURLE_PEER_FAILED_VERIFICATION:
            if (sftp()) {
                return m_hostKeyProblem.empty() ? "the server's host key was refused"
                                                : m_hostKeyProblem;
            }
            if (std::strstr(m_errorBuffer, "subject name") ||
                std::strstr(m_errorBuffer, "does not match")) {
                return "the server's certificate is not made out to " + m_address.host +
                       " (host name mismatch)";
            }
            return "the server's certificate is not trusted: no authority of the system nor "
                   "FTP_CA_FILE vouches for it";
        default:
            return curl_easy_strerror(code);
        }
    }

    Status perform(const Job& job, const std::string& command) {
        m_errorBuffer[0] = '\0';
        m_lastReply.clear();
        m_hostKeyProblem.clear();
        const CURLcode code = curl_easy_perform(m_curl);
        if (code == CURLE_OK) {
            return {};
        }
        std::string text = command + " failed: " + describe(code);
        if (m_errorBuffer[0] != '\0' && m_hostKeyProblem.empty() &&
            text.find(m_errorBuffer) == std::string::npos) {
            text += std::string(" (") + m_errorBuffer + ")";
        }
        if (!m_lastReply.empty()) {
            text += "; the server's last reply: " + m_lastReply;
        }
        // Nothing the library or the server says may carry the password to the status line.
        const std::string& password = job.config.password;
        if (password.size() >= 4) {
            for (std::size_t at; (at = text.find(password)) != std::string::npos;) {
                text.replace(at, password.size(), "***");
            }
        }
        // After a failure the connection is in no known state: the next run starts afresh.
        closeConnection(true);
        return fail(text);
    }

    // The server's replies arrive here line by line; the last one explains a failure.
    static std::size_t onReply(char* data, std::size_t size, std::size_t count, void* self) {
        std::string line(data, size * count);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        if (!line.empty()) {
            static_cast<Worker*>(self)->m_lastReply = std::move(line);
        }
        return size * count;
    }

    // Only a host key that known_hosts holds for this host is accepted; anything else is
    // refused, and the message says how to look at the key and take it in.
    static int onHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match,
                         void* self) {
        if (match == CURLKHMATCH_OK) {
            return CURLKHSTAT_FINE;
        }
        auto* worker = static_cast<Worker*>(self);
        const FtpAddress& address = worker->m_address;
        const std::string port = std::to_string(address.port == 0 ? 22 : address.port);
        const std::string key =
            std::string("(") + keyTypeName(found->keytype) + " " + keyFingerprint(*found) + ")";
        std::string host = address.host; // ssh-keyscan takes an IPv6 address bare
        if (host.starts_with('[')) {
            host = host.substr(1, host.size() - 2);
        }
        const std::string accept =
            "ssh-keyscan -p " + port + " " + host + " >> " + worker->m_knownHosts;
        worker->m_hostKeyProblem =
            match == CURLKHMATCH_MISMATCH
                ? "the server's host key " + key + " differs from the one in " +
                      worker->m_knownHosts +
                      ": the key was changed, or someone is in between; only if the server's "
                      "owner changed it, remove the old line and accept the new key with " +
                      accept
                : "the server's host key " + key + " is not in " + worker->m_knownHosts +
                      "; if that is the server's key, accept it with " + accept;
        return CURLKHSTAT_REJECT;
    }

    // Ends the transfer at once when the run was cancelled or the control is going away.
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        const auto* worker = static_cast<Worker*>(self);
        return worker->m_currentGeneration.load() != worker->m_generation ? 1 : 0;
    }

    const Limits& m_limits;
    const std::atomic<std::uint64_t>& m_currentGeneration;
    CURL* m_curl = nullptr;
    std::uint64_t m_handleGeneration = 0;
    std::uint64_t m_generation = 0;
    FtpAddress m_address;
    std::string m_remoteDir;
    std::string m_lastReply;
    std::string m_knownHosts;
    std::string m_privateKey;
    std::string m_publicKey;
    std::string m_hostKeyProblem;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};
CurlTransferControl::CurlTransferControl(Limits limits) : m_limits(limits) {
    curlInitOnce();
    m_thread = std::thread([this] { workerLoop(); });
}

CurlTransferControl::~CurlTransferControl() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_job.reset();
        ++m_generation; // abandons a command in progress
    }
    m_wake.notify_all();
    m_thread.join();
}

void CurlTransferControl::cancel() {
    {
        const std::lock_guard lock(m_mutex);
        ++m_generation;
        m_job.reset();
        m_executing = false;
        m_failure.reset();
    }
    m_wake.notify_all();
}

void CurlTransferControl::setRemoteHost(const std::string& host) {
    const std::lock_guard lock(m_mutex);
    m_config.host = host;
}

void CurlTransferControl::setUserName(const std::string& user) {
    const std::lock_guard lock(m_mutex);
    m_config.user = user;
}

void CurlTransferControl::setPassword(const std::string& password) {
    const std::lock_guard lock(m_mutex);
    m_config.password = password;
}

void CurlTransferControl::setCaFile(const std::string& file) {
    const std::lock_guard lock(m_mutex);
    m_config.caFile = file;
}

void CurlTransferControl::setLocalDirectory(const std::string& directory) {
    const std::lock_guard lock(m_mutex);
    m_config.localDirectory = directory;
}

Status CurlTransferControl::execute(const std::string& commandLine) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_executing) {
            return fail(kStillExecuting);
        }
        if (m_failure) {
            return fail(*m_failure);
        }
        if (const Result<FtpAddress> address = parseFtpHost(m_config.host); !address) {
            return fail(commandLine + " failed: " + address.error());
        }
        m_job = Job{commandLine, m_config, m_generation.load()};
        m_executing = true;
    }
    m_wake.notify_all();
    return {};
}

bool CurlTransferControl::stillExecuting() const {
    const std::lock_guard lock(m_mutex);
    return m_executing;
}

void CurlTransferControl::workerLoop() {
    Worker worker(m_limits, m_generation);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_job.has_value(); });
            if (m_stopping) {
                return;
            }
            job = std::move(*m_job);
            m_job.reset();
        }
        const Status done = worker.run(job);
        const std::lock_guard lock(m_mutex);
        if (job.generation == m_generation.load()) {
            m_executing = false;
            m_failure = done ? std::nullopt : std::optional<std::string>(done.error());
        }
    }
}

} // namespace quillet
