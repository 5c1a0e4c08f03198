#include "base/files.h"
#include "base/tests/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::asOrdinaryUser;
using testing::entryNames;
using testing::readBytes;
using testing::TempDir;
using testing::withFileSizeLimit;
using testing::writeBytes;

// What a read gives for whatever stands under the name; nothing may wait for a writer.
TEST(Files, ReadTakesRegularFilesUpToTheLimitAndSaysWhyNot) {
    const TempDir temp;
    // others may enter, so that an ordinary user can reach the files
    fs::permissions(temp.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    writeBytes(temp / "file", "12345678");
    writeBytes(temp / "empty", "");
    writeBytes(temp / "big", "123456789");
    writeBytes(temp / "private", "secret");
    fs::permissions(temp / "private", fs::perms::none);
    fs::create_directory(temp / "dir");
    ASSERT_EQ(::mkfifo((temp / "fifo").c_str(), 0644), 0);
    const struct {
        fs::path file;
        std::optional<std::string> bytes; // or nothing, when the file is missing
        std::string error;                // when the read fails
    } cases[] = {
        {temp / "file", "12345678", ""},
        {temp / "empty", "", ""},
        {temp / "missing", std::nullopt, ""},
        {temp / "big", std::nullopt, "larger than 8 bytes"},
        {temp / "fifo", std::nullopt, "not a regular file"},
        {"/dev/zero", std::nullopt, "not a regular file"},
        {temp / "dir", std::nullopt, "Is a directory"},
        {temp / "file" / "below", std::nullopt, "Not a directory"},
        {temp / "private", std::nullopt, "Permission denied"},
    };
    for (const auto& c : cases) {
        asOrdinaryUser([&] {
            const auto read = readFile(c.file, 8);
            EXPECT_EQ(read.error(), c.error) << c.file;
            if (read) {
                EXPECT_EQ(*read, c.bytes) << c.file;
            }
        });
    }
}

// A replace ends with the old file or the new one, never a mix and never a temporary file left
// beside it; a failure names the step and the reason.
TEST(Files, ReplaceLeavesTheOldFileOrTheNewOneAndNothingElse) {
    const TempDir temp;
    fs::permissions(temp.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path target = temp / "t.ini";
    const fs::path tempName = temp / "t.ini.new";
    fs::create_directory(temp / "busy");
    writeBytes(temp / "busy" / "keep", "k");
    const struct {
        const char* name;
        std::function<Status()> replace;
        std::string error; // empty: the new content is in place
        std::vector<std::string> left;
    } cases[] = {
        {"named temporary file",
         [&] { return replaceFile(target, "new\n", tempName); },
         "",
         {"busy", "t.ini"}},
        {"unique temporary file",
         [&] { return replaceFile(target, "new\n"); },
         "",
         {"busy", "t.ini"}},
        {"stale temporary file cleared",
         [&] {
             writeBytes(tempName, "stale");
             return replaceFile(target, "new\n", tempName);
         },
         "",
         {"busy", "t.ini"}},
        {"temporary name taken by a directory",
         [&] {
             fs::create_directory(tempName);
             return replaceFile(target, "new\n", tempName);
         },
         "cannot write t.ini.new (Is a directory)",
         {"busy", "t.ini", "t.ini.new"}},
        {"disk full",
         [&] {
             return withFileSizeLimit(2, [&] { return replaceFile(target, "new\n", tempName); });
         },
         "cannot write t.ini.new (File too large)",
         {"busy", "t.ini"}},
        {"disk full, unique name",
         [&] { return withFileSizeLimit(2, [&] { return replaceFile(target, "new\n"); }); },
         "(File too large)",
         {"busy", "t.ini"}},
        {"folder missing",
         [&] { return replaceFile(temp / "gone" / "t.ini", "new\n"); },
         "(No such file or directory)",
         {"busy", "t.ini"}},
        {"folder not writable",
         [&] {
             fs::permissions(temp.path(), fs::perms::owner_write, fs::perm_options::remove);
             Status status = Status();
             asOrdinaryUser([&] { status = replaceFile(target, "new\n", tempName); });
             fs::permissions(temp.path(), fs::perms::owner_write, fs::perm_options::add);
             return status;
         },
         "cannot create t.ini.new (Permission denied)",
         {"busy", "t.ini"}},
        {"a full directory cannot be renamed over",
         [&] { return replaceFile(temp / "busy", "new\n", temp / "busy.new"); },
         "cannot replace busy (",
         {"busy", "t.ini"}},
    };
    for (const auto& c : cases) {
        writeBytes(target, "old\n");
        const Status status = c.replace();
        EXPECT_EQ(status.ok(), c.error.empty()) << c.name << ": " << status.error();
        EXPECT_NE(status.error().find(c.error), std::string::npos)
            << c.name << ": " << status.error();
        EXPECT_EQ(readBytes(target), c.error.empty() ? "new\n" : "old\n") << c.name;
        EXPECT_EQ(entryNames(temp.path()), c.left) << c.name;
        fs::remove(tempName);
    }
}

// A file kept private stays private; a link under the name is replaced, not written through.
TEST(Files, ReplaceKeepsPermissionBitsAndNeverWritesThroughALink) {
    const TempDir temp;
    writeBytes(temp / "private.ini", "old");
    fs::permissions(temp / "private.ini", fs::perms::owner_read | fs::perms::owner_write);
    for (const fs::path& name : {fs::path(), temp / "private.ini.new"}) {
        ASSERT_TRUE(replaceFile(temp / "private.ini", "new", name));
        EXPECT_EQ(fs::status(temp / "private.ini").permissions(),
                  fs::perms::owner_read | fs::perms::owner_write);
    }
    writeBytes(temp / "theirs", "theirs");
    fs::create_symlink(temp / "theirs", temp / "link");
    ASSERT_TRUE(replaceFile(temp / "link", "ours"));
    EXPECT_FALSE(fs::is_symlink(temp / "link"));
    EXPECT_EQ(readBytes(temp / "theirs"), "theirs");
}

// Appends add whole lines to a regular file or nothing at all.
TEST(Files, AppendAddsWholeLinesOnlyToARegularFile) {
    const TempDir temp;
    writeBytes(temp / "theirs", "theirs\n");
    fs::create_symlink(temp / "theirs", temp / "link");
    ASSERT_EQ(::mkfifo((temp / "fifo").c_str(), 0600), 0);
    ASSERT_TRUE(appendToFile(temp / "log", "one\n"));
    ASSERT_TRUE(appendToFile(temp / "log", "two\n"));
    EXPECT_EQ(readBytes(temp / "log"), "one\ntwo\n");
    const std::string line(100, 'x');
    const std::pair<Status, std::string> failures[] = {
        {appendToFile(temp / "link", "ours\n"), "cannot open link (a symbolic link)"},
        {appendToFile(temp / "fifo", "ours\n"), "cannot open fifo (No such device or address)"},
        {withFileSizeLimit(50, [&] { return appendToFile(temp / "log", line); }),
         "cannot write log (File too large)"},
    };
    for (const auto& [status, error] : failures) {
        EXPECT_EQ(status.error(), error);
    }
    EXPECT_EQ(readBytes(temp / "log"), "one\ntwo\n"); // the part written was cut back off
    EXPECT_EQ(readBytes(temp / "theirs"), "theirs\n");
}

} // namespace
} // namespace quillet
