#include "publishing/delivery.h"

#include "base/files.h"
#include "publishing/feed_writer.h"
#include "publishing/page_generator.h"
#include "publishing/publish_targets.h"

#include <cerrno>
#include <cstring>

namespace quillet {

namespace {

Status uploadSteps(const std::filesystem::path& stagingDir, const Settings& settings,
                   Uploader& uploader) {
    if (Status opened = uploader.open({.host = settings.ftpHost,
                                       .user = settings.ftpUserName,
                                       .password = settings.ftpPassword,
                                       .caFile = settings.ftpCaFile});
        !opened) {
        return opened;
    }
    if (!settings.ftpDirectory.empty()) {
        if (Status entered = uploader.enterFolder(settings.ftpDirectory); !entered) {
            return entered;
        }
    }
    if (Status put = uploader.put(stagingDir / kStagedPageName, settings.htmlFileName); !put) {
        return put;
    }
    if (Status put = uploader.put(stagingDir / kStagedScriptName, std::string(kStagedScriptName));
        !put) {
        return put;
    }
    const FeedNames feeds = feedNames(settings.htmlFileName);
    if (Status put = uploader.put(stagingDir / kAtomFeedFileName, feeds.atom); !put) {
        return put;
    }
    return uploader.put(stagingDir / kJsonFeedFileName, feeds.json);
}

// The connection is closed whatever happened, so nothing of it is left to the next run.
Status upload(const std::filesystem::path& stagingDir, const Settings& settings,
              Uploader& uploader) {
    Status uploaded = uploadSteps(stagingDir, settings, uploader);
    uploader.close();
    return uploaded;
}

// The settings that say where the files go are checked before any file is touched.
Status checkTargets(const Settings& settings) {
    if (settings.autoCopyEnabled || settings.ftpEnabled) {
        if (Status name = checkPageFileName(settings.htmlFileName); !name) {
            return name;
        }
        const FeedNames feeds = feedNames(settings.htmlFileName);
        if (feeds.atom == settings.htmlFileName || feeds.json == settings.htmlFileName) {
            return fail("HTML_FILENAME \"" + settings.htmlFileName +
                        "\" is the name of its own feed: the feed would replace the page");
        }
    }
    if (settings.ftpEnabled) {
        if (const Result<FtpAddress> address = parseFtpHost(settings.ftpHost); !address) {
            return fail(address.error());
        }
    }
    return {};
}

} // namespace

Status deliverWebpage(const std::filesystem::path& programDir, const Settings& settings,
                      Uploader& uploader) {
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
        const FeedNames feeds = feedNames(settings.htmlFileName);
        if (Status copied = copyFileOver(programDir / kAtomFeedFileName, dir + feeds.atom);
            !copied) {
            return copied;
        }
        if (Status copied = copyFileOver(programDir / kJsonFeedFileName, dir + feeds.json);
            !copied) {
            return copied;
        }
    }
    if (settings.ftpEnabled) {
        return upload(programDir, settings, uploader);
    }
    return {};
}

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

} // namespace quillet
