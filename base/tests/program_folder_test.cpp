#include "base/program_folder.h"
#include "base/tests/test_files.h"

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::entryNames;
using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

// Each layout's folder written to, where the shipped files are found, and what a first start
// leaves in the user's folder. Permission cases are in the package's install test.
TEST(ProgramFolder, EachLayoutWritesWhereItMayAndKeepsTheOperatorsEdits) {
    struct Case {
        const char* name;
        std::function<void(const TempDir&)> arrange;
        bool systemInstall;
        const char* expectedTemplate; // in the folder chosen; nullptr: none there
    };
    const auto shipped = [](const TempDir& t) {
        fs::create_directories(t / "share");
        writeBytes(t / "share/page.template", "shipped template");
        writeBytes(t / "share/page.js1", "shipped script");
        // Shipped files are read-only to the user.
        fs::permissions(t / "share/page.template", fs::perms::owner_read);
    };
    const Case cases[] = {
        {"folder install, shipped files elsewhere too",
         [&](const TempDir& t) {
             shipped(t);
             writeBytes(t / "bin/page.template", "beside the program");
         },
         false, "beside the program"},
        {"bare executable, nothing shipped", [](const TempDir&) {}, false, nullptr},
        {"system install, first start", shipped, true, "shipped template"},
        {"system install, the operator's own template",
         [&](const TempDir& t) {
             shipped(t);
             fs::create_directories(t / "home/quillet");
             writeBytes(t / "home/quillet/page.template", "edited");
         },
         true, "edited"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir t;
        fs::create_directories(t / "bin");
        c.arrange(t);
        const bool existedBefore = fs::exists(t / "home/quillet");
        const auto chosen = chooseProgramFolder({t / "bin",
                                                 "page.template",
                                                 t / "share",
                                                 t / "home/quillet",
                                                 {"page.template", "page.js1"}});
        ASSERT_TRUE(chosen) << chosen.error();
        EXPECT_EQ(chosen->systemInstall, c.systemInstall);
        EXPECT_EQ(chosen->folder, c.systemInstall ? t / "home/quillet" : t / "bin");
        EXPECT_EQ(chosen->shippedFiles, c.systemInstall ? t / "share" : t / "bin");
        EXPECT_EQ(chosen->created, c.systemInstall && !existedBefore);
        EXPECT_TRUE(chosen->warnings.empty());
        if (c.expectedTemplate == nullptr) {
            EXPECT_FALSE(fs::exists(chosen->folder / "page.template"));
        } else {
            EXPECT_EQ(readBytes(chosen->folder / "page.template"), c.expectedTemplate);
        }
        if (!c.systemInstall) {
            EXPECT_FALSE(fs::exists(t / "home")) << "a folder install wrote into the home";
            continue;
        }
        EXPECT_EQ(readBytes(chosen->folder / "page.js1"), "shipped script");
        const auto perms = fs::status(chosen->folder / "page.template").permissions();
        EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none) << "the copy cannot be edited";
        if (chosen->created) {
            EXPECT_EQ(fs::status(chosen->folder).permissions() & fs::perms::all,
                      fs::perms::owner_all)
                << "the folder for the settings is open to others";
        }
    }
}

// A user folder that is a file stops the start, named with the reason, and stays as it was.
// Unwritable folders and unreadable templates are in the package's install test.
TEST(ProgramFolder, AUserFolderThatIsAFileStopsTheStartUntouched) {
    const TempDir t;
    fs::create_directories(t / "bin");
    fs::create_directories(t / "share");
    writeBytes(t / "share/page.template", "shipped");
    writeBytes(t / "quillet", "a file");
    const auto chosen = chooseProgramFolder(
        {t / "bin", "page.template", t / "share", t / "quillet", {"page.template"}});
    ASSERT_FALSE(chosen);
    EXPECT_NE(chosen.error().find((t / "quillet").string()), std::string::npos) << chosen.error();
    EXPECT_NE(chosen.error().find("not a folder"), std::string::npos) << chosen.error();
    EXPECT_EQ(readBytes(t / "quillet"), "a file");
}

// A first start on a full disk (a small tmpfs) leaves no file that is not whole, names the file
// and why, and the next start with room copies it, over the empty copy an older start left.
TEST(ProgramFolder, AFirstStartOnAFullDiskLeavesNoHalfCopyAndTheNextCopiesWhole) {
    const TempDir t;
    fs::create_directories(t / "bin");
    fs::create_directories(t / "share");
    fs::create_directories(t / "home");
    const std::string shippedTemplate(64 * 1024, 'x'); // twice the room on the disk
    writeBytes(t / "share/page.template", shippedTemplate);
    writeBytes(t / "share/page.js1", "shipped script");
    if (::mount("tmpfs", (t / "home").c_str(), "tmpfs", 0, "size=32k,mode=0755") != 0) {
        const int error = errno;
        ASSERT_TRUE(error == EPERM || error == EACCES) << "tmpfs: " << std::strerror(error);
        GTEST_SKIP() << "no full disk to start on: a small tmpfs cannot be mounted here ("
                     << std::strerror(error) << "; it needs root or CAP_SYS_ADMIN)";
    }
    const struct Unmount {
        fs::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{t / "home"};
    const ProgramFolderPlaces places{
        t / "bin", "page.template", t / "share", t / "home/quillet", {"page.template", "page.js1"}};
    const auto full = chooseProgramFolder(places);
    ASSERT_TRUE(full) << full.error();
    ASSERT_EQ(full->warnings.size(), 1u);
    const std::string& warning = full->warnings[0];
    EXPECT_NE(warning.find((t / "home/quillet/page.template").string()), std::string::npos)
        << warning;
    EXPECT_NE(warning.find(std::strerror(ENOSPC)), std::string::npos) << warning;
    EXPECT_EQ(entryNames(t / "home/quillet"), std::vector<std::string>{"page.js1"});

    ASSERT_EQ(::mount("tmpfs", (t / "home").c_str(), "tmpfs", MS_REMOUNT, "size=1m"), 0)
        << std::strerror(errno);
    writeBytes(t / "home/quillet/page.js1", ""); // what an older, interrupted copy left
    const auto roomy = chooseProgramFolder(places);
    ASSERT_TRUE(roomy) << roomy.error();
    EXPECT_EQ(roomy->warnings, std::vector<std::string>{});
    EXPECT_EQ(readBytes(t / "home/quillet/page.template"), shippedTemplate);
    EXPECT_EQ(readBytes(t / "home/quillet/page.js1"), "shipped script");
}

} // namespace
} // namespace quillet
