#include "hostlink/extras_registration.h"

#include "base/qt_text.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace quillet {

namespace {

// Host settings hold Windows-1252 text; the file system names files in its own encoding.
std::filesystem::path toPath(const std::string& windows1252) {
    return std::filesystem::path(QFile::encodeName(fromWindows1252(windows1252)).toStdString());
}

std::string toWindows1252(const std::filesystem::path& path) {
    return quillet::toWindows1252(QFile::decodeName(QByteArray::fromStdString(path.string())));
}

std::string extrasContent(const std::filesystem::path& programDir,
                          const std::string& executableName) {
    std::string executable = programDir.string();
    if (!executable.ends_with('/')) {
        executable += '/';
    }
    executable += executableName;
    return "Quillet\r\n\"" + toWindows1252(std::filesystem::path(executable)) +
           "\"\r\nTrue\r\nTrue\r\n";
}

Failure failure(const std::string& shownName, int error) {
    return fail("Not registered with the host: cannot write " + shownName + " (" +
                std::strerror(error) + ")");
}

} // namespace

Status registerExtra(const HostSettings& hostSettings, const std::filesystem::path& programDir,
                     const std::string& executableName) {
    std::string folder = hostSettings.programFolder();
    if (folder.empty()) {
        return {};
    }
    // The host writes the folder with its separator at the end, and the name is joined on
    // directly. A value edited by hand may lack it; joining directly would then name a file
    // beside the folder instead of in it.
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    const std::string shownName = folder + std::string(kExtrasFileName);
    const std::filesystem::path file = toPath(shownName);

    // Anything under that name counts as present, a dangling link included: writing through
    // it would create a file somewhere else.
    std::error_code statError;
    const auto type = std::filesystem::symlink_status(file, statError).type();
    if (type == std::filesystem::file_type::none) {
        return failure(shownName, statError.value());
    }
    if (type != std::filesystem::file_type::not_found) {
        return {};
    }

    // "x": created only if it does not exist, so a file made in the meantime is not replaced.
    std::FILE* out = std::fopen(file.c_str(), "wbx");
    if (out == nullptr) {
        if (errno == EEXIST) {
            return {};
        }
        return failure(shownName, errno);
    }
    const std::string content = extrasContent(programDir, executableName);
    const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    const int writeError = errno;
    const bool closed = std::fclose(out) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        // A cut-off file would stay for good, since an existing file is never rewritten.
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        return failure(shownName, written ? closeError : writeError);
    }
    return {};
}

} // namespace quillet
