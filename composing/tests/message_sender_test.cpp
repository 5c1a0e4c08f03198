#include "base/tests/test_files.h"
#include "bulletins/tests/table_helpers.h"
#include "composing/message_sender.h"
#include "testsupport/fake_keystroke_sender.h"
#include "testsupport/fake_send_pacer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quillet;
using quillet::testing::logLine;

namespace {

class Sending : public ::testing::Test {
protected:
    quillet::testing::TempDir dir;
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    MessageSender sender{keys, pacer};
    // A map beside an information file whose third line is `title`; returns the map's path.
    std::string mapTitled(const std::string& title, const std::string& name = "w") {
        std::filesystem::create_directories((dir / name).parent_path());
        quillet::testing::writeBytes(dir / (name + ".inf"), "1\r\n2\r\n" + title + "\r\n");
        return (dir / (name + ".gif")).string();
    }
};

TEST_F(Sending, TheFixedSequenceWithItsPausesInOrder) {
    std::vector<int> pausedAfter; // how many rows were typed at each pause
    pacer.onWait = [&] { pausedAfter.push_back(keys.keyCalls()); };
    // the title whole, the padded addressee as it stands
    const Status sent = sender.sendMessage(mapTitled("  North Sea  "), 4321, "BLN ", -1, "WIDE2-2",
                                           "50% off {x} + ^~[]");
    EXPECT_TRUE(sent.ok()) << sent.error();
    std::vector<std::string> expected{"activate:UI-View32 V2.03 [  North Sea  ]", "keys:%M",
                                      "keys:%t", "keys:%t"};
    expected.insert(expected.end(), 8, "keys:\t");
    // the notation's command characters in the texts are typed as written
    for (const char* row : {"BLN ", "\t", "-1", "\t", "WIDE2-2", "\t",
                            "50{%} off {{}x{}} {+} {^}{~}{[}{]}", "{enter}", "%y", "%H"}) {
        expected.push_back(std::string("keys:") + row);
    }
    EXPECT_EQ(keys.calls(), expected);
    EXPECT_EQ(keys.processId(), 4321); // the host's own window is the one looked for
    // a half-second pause after every row but the tab after the port
    EXPECT_EQ(pausedAfter, (std::vector<int>{1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                             11, 12, 13, 14, 16, 17, 18, 19, 20, 21}));
    EXPECT_EQ(pacer.log, std::vector<std::string>(20, "wait 0.5"));
    EXPECT_EQ(sentText("BLN", "hello"), "Sent: <BLN> hello");
}

TEST_F(Sending, TheCaptionComesFromTheMapsFileAndAFailureStopsTheSequenceAndSaysWhy) {
    const std::pair<std::string, std::string> paths[] = {
        {"D:\\ui.v\\maps\\x", "D:\\ui.v\\maps\\x.inf"},
        {"/home/op/.wine/maps.v2/x.tar.gz", "/home/op/.wine/maps.v2/x.tar.inf"},
        {"/home/op/.local/maps/nodot", "/home/op/.local/maps/nodot.inf"},
    };
    for (const auto& [map, info] : paths) {
        EXPECT_EQ(mapInfoPath(map), info);
    }
    // a dotted folder: the file read is the one inside it
    const std::string map = mapTitled("Folder title", ".wine/x");
    const Result<std::string> title = hostWindowTitle(map);
    EXPECT_EQ(title.ok() ? *title : title.error(), "UI-View32 V2.03 [Folder title]");
    // a caption that cannot be formed says why and sends nothing
    quillet::testing::writeBytes(dir / "short.inf", "only\r\ntwo lines\r\n");
    quillet::testing::writeBytes(dir / "empty.inf", "");
    ASSERT_EQ(::mkfifo((dir / "fifo.inf").c_str(), 0600), 0); // must not hold up the send
    const auto info = [&](const char* name) { return (dir / name).string(); };
    const std::pair<const char*, std::string> cases[] = {
        {"missing.gif", "cannot read the map information file " + info("missing.inf") +
                            " (No such file or directory)"},
        {"short.gif",
         "the map information file " + info("short.inf") + " has fewer than three lines"},
        {"empty.gif",
         "the map information file " + info("empty.inf") + " has fewer than three lines"},
        {"fifo.gif",
         "cannot read the map information file " + info("fifo.inf") + " (not a regular file)"}};
    for (const auto& [name, why] : cases) {
        EXPECT_EQ(sender.sendMessage(info(name), 0, "BLN", 1, "", "x").error(),
                  "Error Sending Message: " + why);
    }
    EXPECT_TRUE(keys.calls().empty());
    // No window with the caption, the focus lost or "Exit" during a pause stops the typing there,
    // named with the caption and why. After Yes (the last row but one) the host's log decides.
    const std::string sea = mapTitled("North Sea");
    const std::string failure = "Error Sending Message to UI-View32 V2.03 [North Sea]: ";
    keys.setWindowCaptions({"Some other window"});
    EXPECT_EQ(sender.sendMessage(sea, 0, "BLN", 1, "", "hello").error(),
              failure + "no window has the caption \"UI-View32 V2.03 [North Sea]\"");
    EXPECT_EQ(keys.keyCalls(), 0);
    keys.setWindowCaptions({});
    const struct {
        int lostAt; // the key call that finds the focus gone
        bool ok;
    } focus[] = {{1, false}, {18, false}, {19, false}, {20, false}, {21, true}};
    for (const auto& c : focus) {
        const int before = keys.keyCalls();
        keys.loseFocusFromKeyCall(before + c.lostAt);
        const Status sent = sender.sendMessage(sea, 0, "BLN", 1, "", "hello");
        EXPECT_EQ(sent.ok() ? "" : sent.error(),
                  c.ok ? "" : failure + std::string(kFocusLostReason))
            << c.lostAt;
        EXPECT_EQ(keys.keyCalls() - before, c.lostAt) << "no key call after the focus went";
    }
    keys.loseFocusFromKeyCall(0);
    int pauses = 0;
    pacer.onWait = [&] { pacer.ending = ++pauses == 2; };
    const int before = keys.keyCalls();
    EXPECT_EQ(sender.sendMessage(sea, 0, "BLN", 1, "", "hello").error(),
              failure + "the program is ending, so typing stopped");
    EXPECT_EQ(keys.keyCalls() - before, 2);
}

// "Sent:" needs one more copy of the bulletin in the host's log than it held before the keys
// went out; the log is read again after each pause for a few seconds, never forever.
TEST(ConfirmingASend, OnlyANewCopyInTheLogConfirmsIt) {
    const std::string other = logLine("W1AW", "BLN1", "Net") + logLine("G4SIM", "BLN2", "Net");
    const std::string own = logLine("G4SIM", " BLN1 ", " Net ");
    const struct {
        std::vector<std::string> logs; // what each read returns; the last one repeats
        std::size_t copiesBefore;
        std::string outcome;
        std::size_t reads;
    } cases[] = {
        {{other, other + own}, 0, "", 2},
        {{own + other, own + other + own}, 1, "", 2},
        {{other},
         0,
         "The host did not log the bulletin <BLN1> Net: it may not have gone out "
         "(the host's message form may say why)",
         21},
        {{own},
         1,
         "The host did not log the bulletin <BLN1> Net again (its log held it from an "
         "earlier send): it may not have gone out (the host's message form may say why)",
         21},
        {{"!"},
         0,
         "Could not read the host's log to see whether it took <BLN1> Net (Host not "
         "reachable): the bulletin may not have gone out",
         1},
    };
    for (const auto& c : cases) {
        FakeSendPacer pacer;
        std::size_t reads = 0;
        const auto readLog = [&]() -> Result<std::string> {
            const std::string& log = c.logs[std::min(reads++, c.logs.size() - 1)];
            return log == "!" ? Result<std::string>(fail("Host not reachable")) : log;
        };
        const Status logged =
            confirmLogged(readLog, pacer, {"G4SIM", "BLN1", "Net", c.copiesBefore});
        EXPECT_EQ(logged.ok() ? "" : logged.error(), c.outcome);
        EXPECT_EQ(reads, c.reads);
        EXPECT_EQ(pacer.log.size(), reads - 1); // a pause between two reads
    }
    EXPECT_EQ(loggedCopies(other + own + own, "G4SIM", "BLN1", "Net"), 2u);
    const std::string unended = logLine("G4SIM", "BLN1", "Net");
    EXPECT_EQ(loggedCopies(unended.substr(0, unended.size() - 2), "G4SIM", "BLN1", "Net"), 1u);
    EXPECT_EQ(loggedCopies(logLine("G4SIM", "BLN1", "Net more"), "G4SIM", "BLN1", "Net"), 0u);
}

} // namespace
