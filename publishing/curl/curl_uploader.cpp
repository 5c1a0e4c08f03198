#include "publishing/curl/curl_uploader.h"

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

class CurlUploader::Connection {
public:
    Connection(const Limits& limits, const std::atomic<bool>& cancelled, UploadTarget target,
               FtpAddress address)
        : m_limits(limits), m_cancelled(cancelled), m_target(std::move(target)),
          m_address(std::move(address)) {}
    ~Connection() { closeConnection(true); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Status enterFolder(const std::string& folder) {
        const std::string command = "CD " + folder;
        if (Status ready = prepare(command); !ready) {
            return ready;
        }
        // FTP enters the folder and asks for no listing; SFTP has no such step, so the
        // folder is listed (and the listing dropped) to learn that it is there.
        curl_easy_setopt(m_curl, CURLOPT_URL, folderUrl(m_curl, m_address, folder).c_str());
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, sftp() ? 0L : 1L);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 0L);
        if (Status done = perform(command); !done) {
            return done;
        }
        m_remoteDir = folder;
        return {};
    }

    Status put(const std::filesystem::path& localFile, const std::string& remote) {
        const std::string command = "PUT " + localFile.filename().string() + " " + remote;
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
            std::fopen(localFile.c_str(), "rb"), &std::fclose);
        struct stat info {};
        if (!file || ::fstat(::fileno(file.get()), &info) != 0) {
            return fail(command + " failed: cannot read " + localFile.string() + " (" +
                        std::strerror(errno) + ")");
        }
        if (Status ready = prepare(command); !ready) {
            return ready;
        }
        const std::string url =
            folderUrl(m_curl, m_address, m_remoteDir) + escapeSegment(m_curl, remote);
        curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, file.get());
        curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
        Status done = perform(command);
        if (m_curl) {
            curl_easy_setopt(m_curl, CURLOPT_READDATA, nullptr);
        }
        return done;
    }

    // Sends QUIT on an open connection. `quick` gives the server a second to answer instead
    // of the full response time: for a connection that failed, where a silent server must
    // not hold up the report.
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

    // The handle with the run's settings, made by its first step.
    Status prepare(const std::string& command) {
        if (m_curl) {
            return {};
        }
        m_curl = curl_easy_init();
        if (!m_curl) {
            return fail(command + " failed: the transfer library could not start");
        }
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, sftp() ? "sftp" : "ftp");
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, m_target.user.c_str());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_target.password.c_str());
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, long(m_limits.connect.count()));
        curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(m_limits.response.count()));
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytesPerSecond);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, long(m_limits.lowSpeedTime.count()));
        curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
        curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &Connection::onReply);
        curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &discardBody);
        curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &Connection::onProgress);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
        if (m_address.scheme == FtpScheme::ftps) {
            curl_easy_setopt(m_curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
            curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 2L);
            if (!m_target.caFile.empty()) {
                // The file joins the system's authorities, which stay in their folder.
                curl_easy_setopt(m_curl, CURLOPT_CAINFO, m_target.caFile.c_str());
                if (std::filesystem::is_directory("/etc/ssl/certs")) {
                    curl_easy_setopt(m_curl, CURLOPT_CAPATH, "/etc/ssl/certs");
                }
            }
        }
        if (sftp()) {
            if (Status ready = prepareSsh(command); !ready) {
                closeConnection(true);
                return ready;
            }
        }
        return {};
    }

    Status prepareSsh(const std::string& command) {
        const std::filesystem::path ssh = std::filesystem::path(homeDirectory()) / ".ssh";
        m_knownHosts = (ssh / "known_hosts").string();
        curl_easy_setopt(m_curl, CURLOPT_SSH_KNOWNHOSTS, m_knownHosts.c_str());
        curl_easy_setopt(m_curl, CURLOPT_SSH_KEYFUNCTION, &Connection::onHostKey);
        curl_easy_setopt(m_curl, CURLOPT_SSH_KEYDATA, this);
        if (!m_target.password.empty()) {
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

    Status perform(const std::string& command) {
        if (m_cancelled) {
            closeConnection(true);
            return fail(command + " failed: " + kCancelled);
        }
        m_errorBuffer[0] = '\0';
        m_lastReply.clear();
        m_hostKeyProblem.clear();
        const CURLcode code = curl_easy_perform(m_curl);
        if (code == CURLE_OK) {
            return {};
        }
        std::string text = command + " failed: ";
        if (m_cancelled) {
            text += kCancelled; // the library's words for it would only puzzle
        } else {
            text += describe(code);
            if (m_errorBuffer[0] != '\0' && m_hostKeyProblem.empty() &&
                text.find(m_errorBuffer) == std::string::npos) {
                text += std::string(" (") + m_errorBuffer + ")";
            }
            if (!m_lastReply.empty()) {
                text += "; the server's last reply: " + m_lastReply;
            }
        }
        // Nothing the library or the server says may carry the password to the status line.
        const std::string& password = m_target.password;
        if (password.size() >= 4) {
            for (std::size_t at; (at = text.find(password)) != std::string::npos;) {
                text.replace(at, password.size(), "***");
            }
        }
        // After a failure the connection is in no known state: a later step connects afresh.
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
            static_cast<Connection*>(self)->m_lastReply = std::move(line);
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
        auto* connection = static_cast<Connection*>(self);
        const FtpAddress& address = connection->m_address;
        const std::string port = std::to_string(address.port == 0 ? 22 : address.port);
        const std::string key =
            std::string("(") + keyTypeName(found->keytype) + " " + keyFingerprint(*found) + ")";
        std::string host = address.host; // ssh-keyscan takes an IPv6 address bare
        if (host.starts_with('[')) {
            host = host.substr(1, host.size() - 2);
        }
        const std::string& knownHosts = connection->m_knownHosts;
        const std::string accept = "ssh-keyscan -p " + port + " " + host + " >> " + knownHosts;
        connection->m_hostKeyProblem =
            match == CURLKHMATCH_MISMATCH
                ? "the server's host key " + key + " differs from the one in " + knownHosts +
                      ": the key was changed, or someone is in between; only if the server's "
                      "owner changed it, remove the old line and accept the new key with " +
                      accept
                : "the server's host key " + key + " is not in " + knownHosts +
                      "; if that is the server's key, accept it with " + accept;
        return CURLKHSTAT_REJECT;
    }

    // Called at least once a second while the library waits, so a cancel ends the wait.
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<const Connection*>(self)->m_cancelled ? 1 : 0;
    }

    static constexpr const char* kCancelled = "the program is ending, so the upload stopped";

    const Limits& m_limits;
    const std::atomic<bool>& m_cancelled;
    const UploadTarget m_target;
    const FtpAddress m_address;
    CURL* m_curl = nullptr;
    std::string m_remoteDir;
    std::string m_lastReply;
    std::string m_knownHosts;
    std::string m_privateKey;
    std::string m_publicKey;
    std::string m_hostKeyProblem;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

CurlUploader::CurlUploader(Limits limits) : m_limits(limits) {
    curlInitOnce();
}

CurlUploader::~CurlUploader() = default;

Status CurlUploader::open(const UploadTarget& target) {
    m_connection.reset();
    Result<FtpAddress> address = parseFtpHost(target.host);
    if (!address) {
        return fail(address.error());
    }
    m_connection =
        std::make_unique<Connection>(m_limits, m_cancelled, target, std::move(address).value());
    return {};
}

Status CurlUploader::enterFolder(const std::string& folder) {
    return m_connection ? m_connection->enterFolder(folder)
                        : fail("CD " + folder + " failed: no upload was opened");
}

Status CurlUploader::put(const std::filesystem::path& localFile, const std::string& remoteName) {
    return m_connection ? m_connection->put(localFile, remoteName)
                        : fail("PUT " + localFile.filename().string() + " " + remoteName +
                               " failed: no upload was opened");
}

void CurlUploader::close() {
    if (m_connection) {
        m_connection->closeConnection();
        m_connection.reset();
    }
}

} // namespace quillet
