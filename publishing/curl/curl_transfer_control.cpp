#include "publishing/curl/curl_transfer_control.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <sys/stat.h>

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

// A remote path as the part of an FTP URL after the host: each segment escaped, empty ones
// dropped; "%2F" first makes an absolute path.
std::string urlPath(CURL* curl, const std::string& path) {
    std::string out = path.starts_with('/') ? "%2F" : "";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            if (!out.empty() && out != "%2F") {
                out += '/';
            }
            out += escapeSegment(curl, std::string_view(path).substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

std::string hostPart(std::string host) {
    if (startsWith(host, "ftp://")) {
        host.erase(0, 6);
    }
    while (host.ends_with('/')) {
        host.pop_back();
    }
    return host;
}

void curlInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

// Lives on the worker thread only: the easy handle and what the connection has done so far.
class CurlTransferControl::Worker {
public:
    Worker(const Limits& limits, const std::atomic<std::uint64_t>& generation)
        : m_limits(limits), m_currentGeneration(generation) {}
    ~Worker() { closeConnection(true); }

    // Runs one command to its end; returns the failure's description.
    std::optional<std::string> run(const Job& job) {
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
            return std::nullopt;
        }
        if (startsWith(line, "CD ")) {
            return changeDirectory(job, afterCommand(line, 3));
        }
        if (startsWith(line, "PUT ")) {
            return put(job, afterCommand(line, 4));
        }
        return line + ": not a command this control knows";
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
    std::optional<std::string> changeDirectory(const Job& job, const std::string& dir) {
        std::string target = dir;
        if (!dir.starts_with('/') && !m_remoteDir.empty()) {
            target = m_remoteDir + "/" + dir;
        }
        if (!prepare(job)) {
            return "CD " + dir + " failed: the transfer library could not start";
        }
        // Asking for no body of a directory URL logs in and enters the directory only.
        std::string url = baseUrl(job) + urlPath(m_curl, target);
        if (!url.ends_with('/')) {
            url += '/';
        }
        curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 0L);
        if (auto failure = perform("CD " + dir)) {
            return failure;
        }
        m_remoteDir = target;
        return std::nullopt;
    }

    std::optional<std::string> put(const Job& job, const std::string& names) {
        const std::size_t blank = names.find(' ');
        if (blank == std::string::npos || blank == 0 || blank + 1 >= names.size()) {
            return "PUT " + names + ": a local and a remote file name are needed";
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
            return command + " failed: cannot read " + localFile.string() + " (" +
                   std::strerror(errno) + ")";
        }
        if (!prepare(job)) {
            return command + " failed: the transfer library could not start";
        }
        std::string path = m_remoteDir.empty() ? std::string() : urlPath(m_curl, m_remoteDir);
        if (!path.empty()) {
            path += '/';
        }
        const std::string url = baseUrl(job) + path + escapeSegment(m_curl, remote);
        curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, file.get());
        curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
        auto failure = perform(command);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, nullptr);
        return failure;
    }

    static std::string baseUrl(const Job& job) {
        return "ftp://" + hostPart(job.config.host) + "/";
    }

    // The handle with the run's settings, made on its first command.
    bool prepare(const Job& job) {
        if (!m_curl) {
            m_curl = curl_easy_init();
            if (!m_curl) {
                return false;
            }
        }
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, job.config.user.c_str());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, job.config.password.c_str());
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, long(m_limits.connect.count()));
        curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(m_limits.response.count()));
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytesPerSecond);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, long(m_limits.lowSpeedTime.count()));
        curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
        curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &Worker::onReply);
        curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &Worker::onProgress);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
        return true;
    }

    std::optional<std::string> perform(const std::string& command) {
        m_errorBuffer[0] = '\0';
        m_lastReply.clear();
        const CURLcode code = curl_easy_perform(m_curl);
        if (code == CURLE_OK) {
            return std::nullopt;
        }
        std::string text = command + " failed: " + curl_easy_strerror(code);
        if (m_errorBuffer[0] != '\0' && text.find(m_errorBuffer) == std::string::npos) {
            text += std::string(" (") + m_errorBuffer + ")";
        }
        if (!m_lastReply.empty()) {
            text += "; the server's last reply: " + m_lastReply;
        }
        // After a failure the connection is in no known state: the next run starts afresh.
        closeConnection(true);
        return text;
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
    std::string m_remoteDir;
    std::string m_lastReply;
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

void CurlTransferControl::setLocalDirectory(const std::string& directory) {
    const std::lock_guard lock(m_mutex);
    m_config.localDirectory = directory;
}

std::optional<std::string> CurlTransferControl::execute(const std::string& commandLine) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_executing) {
            return kStillExecuting;
        }
        if (m_failure) {
            return m_failure;
        }
        if (hostPart(m_config.host).empty()) {
            return commandLine + " failed: no FTP host is set";
        }
        m_job = Job{commandLine, m_config, m_generation.load()};
        m_executing = true;
    }
    m_wake.notify_all();
    return std::nullopt;
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
        std::optional<std::string> failure = worker.run(job);
        const std::lock_guard lock(m_mutex);
        if (job.generation == m_generation.load()) {
            m_executing = false;
            m_failure = std::move(failure);
        }
    }
}

} // namespace quillet
