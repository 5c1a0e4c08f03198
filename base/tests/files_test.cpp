#include "base/files.h"
#include "base/tests/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Every read, replace and append either does all of its work or says why and leaves the files
// as they were; nothing waits for a FIFO's other end, and no temporary file stays behind.
TEST(Files, EachOperationDoesAllOrNothingAndSaysWhy) {
    const TempDir temp;
    const fs::path dir = temp.path();
    // others may enter, so that an ordinary user can reach the files
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::perms privateBits = fs::perms::owner_read | fs::perms::owner_write;
    writeBytes(dir / "big", "123456789");
    writeBytes(dir / "private", "");
    fs::permissions(dir / "private", fs::perms::none);
    fs::create_directories(dir / "busy" / "full");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    writeBytes(dir / "theirs", "theirs!!");
    fs::create_symlink(dir / "theirs", dir / "link");
    fs::create_hard_link(dir / "theirs", dir / "hard");
    writeBytes(dir / "t.new", "stale"); // left by a crash
    // The bytes, "-" for a missing file, or "!" and the reason.
    const auto read = [&](const fs::path& file) {
        std::string outcome;
        asOrdinaryUser([&] {
            const auto bytes = readFile(file, 8);
            outcome = bytes ? bytes->value_or("-") : "!" + bytes.error();
        });
        return outcome;
    };
    // Writes to "t", which holds "old" and is private: "!" and the reason, if any, and what
    // "t" holds afterwards.
    const auto onT = [&](auto write, rlim_t limit = RLIM_INFINITY) {
        writeBytes(dir / "t", "old");
        fs::permissions(dir / "t", privateBits);
        const Status status = withFileSizeLimit(limit, write);
        EXPECT_EQ(fs::status(dir / "t").permissions(), privateBits);
        return (status ? "" : "!" + status.error() + " ") + readBytes(dir / "t");
    };
    const auto replace = [&](fs::path name = {}) { return replaceFile(dir / "t", "new", name); };
    const std::pair<std::string, std::string> cases[] = {
        {read(dir / "theirs"), "theirs!!"},
        {read(dir / "missing"), "-"},
        {read(dir / "big"), "!larger than 8 bytes"},
        {read(dir / "fifo"), "!not a regular file"},
        {read("/dev/zero"), "!not a regular file"},
        {read(dir / "busy"), "!Is a directory"},
        {read(dir / "private"), "!Permission denied"},
        {onT([&] { return replace(dir / "t.new"); }), "new"},
        {onT([&] { return replace(); }), "new"},
        {onT([&] { return replace(dir / "t.new"); }, 2),
         "!cannot write t.new (File too large) old"},
        {onT([&] { return replace(); }, 2), "!cannot write t (File too large) old"},
        {onT([&] {
             Status status;
             fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
             asOrdinaryUser([&] { status = replace(dir / "t.new"); });
             fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
             return status;
         }),
         "!cannot create t.new (Permission denied) old"},
        {onT([&] {
             fs::create_directory(dir / "t.new");
             const Status status = replace(dir / "t.new");
             fs::remove(dir / "t.new");
             return status;
         }),
         "!cannot write t.new (Is a directory) old"},
        {onT([&] { return replaceFile(dir / "busy", "new", dir / "busy.new"); }),
         "!cannot replace busy (Is a directory) old"},
        {onT([&] { return appendToFile(dir / "t", "\nnew"); }), "old\nnew"},
        {onT([&] { return appendToFile(dir / "t", std::string(100, 'x')); }, 50),
         "!cannot write t (File too large) old"}, // cut back to whole lines
        {appendToFile(dir / "link", "ours").error(), "cannot open link (a symbolic link)"},
        {appendToFile(dir / "hard", "ours").error(), "cannot append to hard (it has another link)"},
        {appendToFile(dir / "fifo", "ours").error(),
         "cannot open fifo (No such device or address)"},
    };
    for (const auto& [outcome, expected] : cases) {
        EXPECT_EQ(outcome, expected);
    }
    EXPECT_EQ(readBytes(dir / "theirs"), "theirs!!");
    EXPECT_EQ(entryNames(dir), (std::vector<std::string>{"big", "busy", "fifo", "hard", "link",
                                                         "private", "t", "theirs"}));
}

} // namespace
} // namespace quillet
