#include "base/program_folder.h"
#include "base/tests/test_files.h"

#include <gtest/gtest.h>

#include <functional>

namespace quillet {
namespace {

namespace fs = std::filesystem;
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

} // namespace
} // namespace quillet
