#include "publishing/delivery.h"

#include "base/files.h"
#include "publishing/page_generator.h"
#include "publishing/publish_targets.h"

#include <cerrno>
#include <cstring>

namespace quillet {

namespace {

void waitForTransfer(TransferControl& inet1, TransferWait& wait) {
    wait.processEvents();
    while (inet1.stillExecuting()) {
        wait.processEvents();
    }
}

Status upload(const std::filesystem::path& stagingDir, const Settings& settings,
              TransferControl& inet1, TransferWait& wait) {
    inet1.cancel();
    inet1.setProtocolFtp();
    inet1.setRemoteHost(settings.ftpHost);
    inet1.setUserName(settings.ftpUserName);
    inet1.setPassword(settings.ftpPassword);
    inet1.setCaFile(settings.ftpCaFile);
    inet1.setLocalDirectory(stagingDir.string());

    const auto run = [&](const std::string& commandLine) -> Status {
        if (Status started = inet1.execute(commandLine); !started) {
            return started;
        }
        waitForTransfer(inet1, wait);
        return {};
    };
    if (!settings.ftpDirectory.empty()) {
        if (Status done = run("CD " + settings.ftpDirectory); !done) {
            return done;
        }
    }
    if (Status done = run("PUT " + std::string(kStagedPageName) + " " + settings.htmlFileName);
        !done) {
        return done;
    }
    if (Status done =
            run("PUT " + std::string(kStagedScriptName) + " " + std::string(kStagedScriptName));
        !done) {
        return done;
    }
    // Not waited for: the next run cancels whatever of it is left. A failed upload before
    // it makes the control refuse it, and so still reaches the caller.
    return inet1.execute("CLOSE");
}

// The settings that say where the files go are checked before any file is touched.
Status checkTargets(const Settings& settings) {
    if (settings.autoCopyEnabled || settings.ftpEnabled) {
        if (Status name = checkPageFileName(settings.htmlFileName); !name) {
            return name;
        }
    }
    if (settings.ftpEnabled) {
        if (const Result<FtpAddress> address = parseFtpHost(settings.ftpHost); !address) {
            return fail(address.error());
        }
    }
    return {};
}

Status deliver(const std::filesystem::path& programDir, const Settings& settings,
               TransferControl& inet1, TransferWait& wait) {
    if (Status targets = checkTargets(settings); !targets) {
        return targets;
    }
    const std::filesystem::path stagedPage = programDir / kStagedPageName;
    const std::filesystem::path stagedScript = programDir / kStagedScriptName;
    if (Status copied = copyFileOver(programDir / kPageFileName, stagedPage); !copied) {
        return copied;
    }
    if (Status copied = copyFileOver(programDir / kScriptSourceFileName, stagedScript); !copied) {
        return copied;
    }
    if (settings.autoCopyEnabled) {
        // Joined with one separator as written, whatever the directory text ends with.
        const std::string dir = settings.copyToDirectory + "/";
        if (Status copied = copyFileOver(stagedPage, dir + settings.htmlFileName); !copied) {
            return copied;
        }
        if (Status copied = copyFileOver(stagedScript, dir + std::string(kStagedScriptName));
            !copied) {
            return copied;
        }
    }
    if (settings.ftpEnabled) {
        return upload(programDir, settings, inet1, wait);
    }
    return {};
}

} // namespace

Status copyFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto cannot = [&](const std::string& why) {
        return fail("cannot copy " + from.string() + " to " + to.string() + " (" + why + ")");
    };
    const auto read = readFile(from);
    if (!read) {
        return cannot(cannotRead(from, read.error()));
    }
    if (!*read) {
        return cannot(std::strerror(ENOENT));
    }
    // A hidden name of our own, so that no file of the operator's in that folder is taken.
    std::filesystem::path temp = to;
    temp.replace_filename(std::string(".").append(to.filename().string()).append(".quillet-new"));
    if (Status written = replaceFile(to, **read, temp); !written) {
        return cannot(written.error());
    }
    return {};
}

Status deliverWebpage(const std::filesystem::path& programDir, const Settings& settings,
                      TransferControl& inet1, TransferWait& wait) {
    Status delivered = deliver(programDir, settings, inet1, wait);
    if (!delivered) {
        inet1.cancel();
    }
    return delivered;
}

} // namespace quillet
