#pragma once

// File helpers the tests of several folders share.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quillet::testing {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        m_path = fs::temp_directory_path() /
                 ("quillet-test-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return m_path; }
    fs::path operator/(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};

inline void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sorted names in a directory, to show that no temporary file stayed behind.
inline std::vector<std::string> entryNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `call` with a file size limit of `bytes`: a write stops part-way, as on a full disk.
template <typename Call> auto withFileSizeLimit(rlim_t bytes, Call call) {
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit tight{bytes, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &tight);
    auto result = call();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

// Runs `call` as an ordinary user when the tests run as root, so that permission bits bite.
template <typename Call> void asOrdinaryUser(Call call) {
    const bool root = ::geteuid() == 0;
    if (root && ::seteuid(65534) != 0) {
        std::abort(); // the permission checks would mean nothing
    }
    call();
    if (root && ::seteuid(0) != 0) {
        std::abort(); // staying an ordinary user would spoil every later test
    }
}

} // namespace quillet::testing
