#include "publishing/delivery.h"

#include "publishing/page_generator.h"

#include <system_error>

namespace quillet {

namespace {

void waitForTransfer(TransferControl& inet1, TransferWait& wait) {
    wait.processEvents();
    while (inet1.stillExecuting()) {
        wait.processEvents();
    }
}

std::optional<std::string> upload(const std::filesystem::path& stagingDir, const Settings& settings,
                                  TransferControl& inet1, TransferWait& wait) {
    inet1.cancel();
    inet1.setProtocolFtp();
    inet1.setRemoteHost(settings.ftpHost);
    inet1.setUserName(settings.ftpUserName);
    inet1.setPassword(settings.ftpPassword);
    inet1.setLocalDirectory(stagingDir.string());

    if (!settings.ftpDirectory.empty()) {
        if (auto refused = inet1.execute("CD " + settings.ftpDirectory)) {
            return refused;
        }
        waitForTransfer(inet1, wait);
    }
    if (auto refused =
            inet1.execute("PUT " + std::string(kStagedPageName) + " " + settings.htmlFileName)) {
        return refused;
    }
    waitForTransfer(inet1, wait);
    if (auto refused = inet1.execute("PUT " + std::string(kStagedScriptName) + " " +
                                     std::string(kStagedScriptName))) {
        return refused;
    }
    waitForTransfer(inet1, wait);
    // Not waited for: the next run cancels whatever of it is left. A failed upload before
    // it makes the control refuse it, and so still reaches the caller.
    return inet1.execute("CLOSE");
}

} // namespace

std::optional<std::string> copyFileOver(const std::filesystem::path& from,
                                        const std::filesystem::path& to) {
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        return "cannot copy " + from.string() + " to " + to.string() + " (" + error.message() + ")";
    }
    return std::nullopt;
}

std::optional<std::string> deliverWebpage(const std::filesystem::path& programDir,
                                          const Settings& settings, TransferControl& inet1,
                                          TransferWait& wait) {
    const std::filesystem::path stagedPage = programDir / kStagedPageName;
    const std::filesystem::path stagedScript = programDir / kStagedScriptName;
    std::optional<std::string> error = copyFileOver(programDir / kPageFileName, stagedPage);
    if (!error) {
        error = copyFileOver(programDir / kScriptSourceFileName, stagedScript);
    }
    if (!error && isSwitchOn(settings.autoCopyEnabled)) {
        // Joined with one separator as written, whatever the directory text ends with.
        error = copyFileOver(stagedPage, settings.copyToDirectory + "/" + settings.htmlFileName);
        if (!error) {
            error = copyFileOver(stagedScript,
                                 settings.copyToDirectory + "/" + std::string(kStagedScriptName));
        }
    }
    if (!error && isSwitchOn(settings.ftpEnabled)) {
        error = upload(programDir, settings, inet1, wait);
    }
    if (error) {
        inet1.cancel();
    }
    return error;
}

} // namespace quillet
