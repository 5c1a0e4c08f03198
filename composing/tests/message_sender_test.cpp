#include "composing/fake_send_pacer.h"
#include "composing/message_sender.h"
#include "host/fake_keystroke_sender.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillet;

namespace {

class Sending : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("quillet_send_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    MessageSender sender{keys, pacer};

    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // A map beside an information file whose third line is `title`; returns the map's path.
    std::string mapTitled(const std::string& title, const std::string& name = "w") {
        std::ofstream(dir / (name + ".inf"), std::ios::binary) << "1\r\n2\r\n" << title << "\r\n";
        return (dir / (name + ".gif")).string();
    }
};

TEST_F(Sending, TheFixedSequenceWithItsPausesInOrder) {
    const Status sent =
        sender.sendMessage(mapTitled("North Sea"), "BLN", 1, "WIDE2-2", "50% off {x} + ^~[]");
    EXPECT_TRUE(sent.ok()) << sent.error();
    std::vector<std::string> expected{"activate:UI-View32 V2.03 [North Sea]", "keys:%M", "keys:%t",
                                      "keys:%t"};
    expected.insert(expected.end(), 8, "keys:\t");
    // the notation's command characters in the texts are typed as written
    for (const char* row : {"BLN", "\t", "1", "\t", "WIDE2-2", "\t",
                            "50{%} off {{}x{}} {+} {^}{~}{[}{]}", "{enter}", "%y", "%H"}) {
        expected.push_back(std::string("keys:") + row);
    }
    EXPECT_EQ(keys.calls(), expected);
    // events after the activation, a pause after every row but the tab after the port
    std::vector<std::string> pauses{"events"};
    for (int row = 1; row <= 21; ++row) {
        pauses.push_back(row == 15 ? "events" : "wait 0.5");
    }
    EXPECT_EQ(pacer.log, pauses);
    EXPECT_EQ(sentText("BLN", "hello"), "Sent: <BLN> hello");
}

TEST_F(Sending, EmptyDigiNegativePortAndTheTitleTakenWhole) {
    ASSERT_TRUE(sender.sendMessage(mapTitled("  Title with blanks  "), "BLN ", -1, "", "t").ok());
    const auto& calls = keys.calls();
    EXPECT_EQ(calls[0], "activate:UI-View32 V2.03 [  Title with blanks  ]");
    EXPECT_EQ(calls[12], "keys:BLN "); // the padded addressee as it stands
    EXPECT_EQ(calls[14], "keys:-1");
    EXPECT_EQ(calls[16], "keys:"); // an empty digi still has its row
}

TEST_F(Sending, TheInformationFileReplacesTheMapFileNamesOwnExtension) {
    const std::pair<std::string, std::string> paths[] = {
        {"C:\\maps\\world.gif", "C:\\maps\\world.inf"},
        {"D:\\ui.v\\maps\\x.gif", "D:\\ui.v\\maps\\x.inf"},
        {"/home/op/.wine/maps.v2/x.tar.gz", "/home/op/.wine/maps.v2/x.tar.inf"},
        {"/home/op/.local/maps/nodot", "/home/op/.local/maps/nodot.inf"},
    };
    for (const auto& [map, info] : paths) {
        EXPECT_EQ(mapInfoPath(map), info);
    }
    // a dotted folder: the file read is the one inside it
    std::filesystem::create_directories(dir / ".wine");
    std::ofstream(dir / ".wine" / "x.inf", std::ios::binary) << "1\r\n2\r\nFolder title\r\n";
    const Result<std::string> title = hostWindowTitle((dir / ".wine" / "x.gif").string());
    EXPECT_EQ(title.ok() ? *title : title.error(), "UI-View32 V2.03 [Folder title]");
}

TEST_F(Sending, ACaptionThatCannotBeFormedSaysWhyAndSendsNothing) {
    std::ofstream(dir / "short.inf", std::ios::binary) << "only\r\ntwo lines\r\n";
    std::ofstream(dir / "empty.inf", std::ios::binary) << "";
    const std::string missing = (dir / "missing.inf").string();
    const std::string shortInfo = (dir / "short.inf").string();
    const std::string empty = (dir / "empty.inf").string();
    const std::pair<std::string, std::string> cases[] = {
        {(dir / "missing.gif").string(),
         "cannot read the map information file " + missing + " (No such file or directory)"},
        {(dir / "short.gif").string(),
         "the map information file " + shortInfo + " has fewer than three lines"},
        {(dir / "empty.gif").string(),
         "the map information file " + empty + " has fewer than three lines"},
    };
    for (const auto& [path, why] : cases) {
        const Status sent = sender.sendMessage(path, "BLN", 1, "", "x");
        EXPECT_EQ(sent.error(), "Error Sending Message: " + why);
    }
    EXPECT_TRUE(keys.calls().empty());
    EXPECT_TRUE(keys.calls().empty());
}

// No window with the caption, a row the keystroke layer rejects, or "Exit" during a pause:
// the sequence stops there and the failure names the caption.
TEST_F(Sending, AFailureStopsTheSequenceWhereItHappens) {
    const std::string map = mapTitled("North Sea");
    const std::string failure = "Error Sending Message to UI-View32 V2.03 [North Sea]";
    keys.setWindowCaptions({"Some other window"});
    EXPECT_EQ(sender.sendMessage(map, "BLN", 1, "", "hello").error(), failure);
    EXPECT_EQ(keys.keyCalls(), 0);

    keys.setWindowCaptions({});
    keys.rejectKeysFromCall(5);
    EXPECT_EQ(sender.sendMessage(map, "BLN", 1, "", "hello").error(), failure);
    EXPECT_EQ(keys.keyCalls(), 5);

    keys.rejectKeysFromCall(0);
    int pauses = 0;
    pacer.onEvents = [&] { pacer.ending = ++pauses == 3; };
    EXPECT_FALSE(sender.sendMessage(map, "BLN", 1, "", "hello").ok());
    EXPECT_EQ(keys.keyCalls(), 7);
}

} // namespace
