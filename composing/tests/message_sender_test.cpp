#include "composing/fake_send_pacer.h"
#include "composing/message_sender.h"
#include "host/fake_host.h"
#include "host/fake_keystroke_sender.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillet;

namespace {

class MapOf final : public HostMap {
public:
    explicit MapOf(std::string path, bool failing = false)
        : m_path(std::move(path)), m_failing(failing) {}
    std::string mapFileName() override {
        if (m_failing) {
            throw HostError("Host not reachable: UI-View32 is not running (MapFileName)");
        }
        return m_path;
    }

private:
    std::string m_path;
    bool m_failing;
};

class Sending : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("quillet_send_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    MessageSender sender{keys, pacer};
    int shown = 0;

    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string writeInfo(const std::string& name, const std::string& contents) {
        const auto path = dir / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }
    std::string send(HostMap* map, const std::string& to, std::int16_t port,
                     const std::string& digi, const std::string& msg) {
        return sender.sendMessage(map, to, port, digi, msg, [this] { ++shown; });
    }
};

TEST_F(Sending, TheFixedSequenceWithItsPausesInOrder) {
    writeInfo("world.inf", "Name\r\n51.5,-0.1\r\nNorth Sea\r\nignored\r\n");
    MapOf map((dir / "world.gif").string());
    const std::string status = send(&map, "BLN", 1, "WIDE2-2", "hello");

    const std::vector<std::string> expected{"activate:UI-View32 V2.03 [North Sea]",
                                            "keys:%M",
                                            "keys:%t",
                                            "keys:%t",
                                            "keys:\t",
                                            "keys:\t",
                                            "keys:\t",
                                            "keys:\t",
                                            "keys:\t",
                                            "keys:\t",
                                            "keys:\t",
                                            "keys:\t",
                                            "keys:BLN",
                                            "keys:\t",
                                            "keys:1",
                                            "keys:\t",
                                            "keys:WIDE2-2",
                                            "keys:\t",
                                            "keys:hello",
                                            "keys:{enter}",
                                            "keys:%y",
                                            "keys:%H"};
    EXPECT_EQ(keys.calls(), expected);
    // events after the activation, a pause after every row but the tab after the port
    std::vector<std::string> pauses{"events"};
    for (int row = 1; row <= 21; ++row) {
        pauses.push_back(row == 15 ? "events" : "wait 0.5");
    }
    EXPECT_EQ(pacer.log, pauses);
    EXPECT_EQ(status, "Sent: <BLN> hello");
    EXPECT_EQ(shown, 1);
}

TEST_F(Sending, EmptyDigiNegativePortAndTheTitleTakenWhole) {
    writeInfo("x.inf", "a\r\nb\r\n  Title with blanks  \r\n");
    MapOf map((dir / "x.gif").string());
    send(&map, "BLN ", -1, "", "t");
    const auto& calls = keys.calls();
    EXPECT_EQ(calls[0], "activate:UI-View32 V2.03 [  Title with blanks  ]");
    EXPECT_EQ(calls[12], "keys:BLN "); // the padded addressee as it stands
    EXPECT_EQ(calls[14], "keys:-1");
    EXPECT_EQ(calls[16], "keys:"); // an empty digi still has its row
    EXPECT_EQ(pacer.log.size(), 22u);
}

TEST_F(Sending, CommandCharactersInTheTextsAreTypedAsWritten) {
    writeInfo("m.inf", "1\r\n2\r\nT\r\n");
    MapOf map((dir / "m.gif").string());
    const std::string status = send(&map, "BLN{1}", 1, "WIDE(1)", "50% off {x} + ^~[]");
    const auto& calls = keys.calls();
    EXPECT_EQ(calls[12], "keys:BLN{{}1{}}");
    EXPECT_EQ(calls[16], "keys:WIDE{(}1{)}");
    EXPECT_EQ(calls[18], "keys:50{%} off {{}x{}} {+} {^}{~}{[}{]}");
    EXPECT_EQ(status, "Sent: <BLN{1}> 50% off {x} + ^~[]"); // the status shows the text itself
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
    writeInfo(".wine/x.inf", "1\r\n2\r\nFolder title\r\n");
    MapOf map((dir / ".wine" / "x.gif").string());
    EXPECT_EQ(hostWindowTitle(map).caption, "UI-View32 V2.03 [Folder title]");
}

TEST_F(Sending, ACaptionThatCannotBeFormedSaysWhyAndSendsNothing) {
    writeInfo("short.inf", "only\r\ntwo lines\r\n");
    writeInfo("empty.inf", "");
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
        MapOf map(path);
        EXPECT_EQ(send(&map, "BLN", 1, "", "x"), "Error Sending Message: " + why);
    }
    MapOf gone("x.gif", true);
    EXPECT_EQ(send(&gone, "BLN", 1, "", "x"),
              "Error Sending Message: Host not reachable: UI-View32 is not running (MapFileName)");
    EXPECT_TRUE(send(nullptr, "BLN", 1, "", "x").starts_with("Error Sending Message"));
    EXPECT_TRUE(keys.calls().empty());
    EXPECT_EQ(shown, 0);
}

TEST_F(Sending, NoWindowWithTheCaptionSendsNoKeystroke) {
    writeInfo("w.inf", "1\r\n2\r\nNorth Sea\r\n");
    MapOf map((dir / "w.gif").string());
    keys.setWindowCaptions({"Some other window"});
    EXPECT_EQ(send(&map, "BLN", 1, "", "hello"),
              "Error Sending Message to UI-View32 V2.03 [North Sea]");
    EXPECT_EQ(keys.keyCalls(), 0);
    EXPECT_EQ(shown, 0);
}

TEST_F(Sending, ARejectedRowStopsTheSequenceThere) {
    writeInfo("w.inf", "1\r\n2\r\nNorth Sea\r\n");
    MapOf map((dir / "w.gif").string());
    keys.rejectKeysFromCall(5);
    EXPECT_EQ(send(&map, "BLN", 1, "", "hello"),
              "Error Sending Message to UI-View32 V2.03 [North Sea]");
    EXPECT_EQ(keys.keyCalls(), 5);
    EXPECT_EQ(shown, 0);
}

TEST_F(Sending, AnEndingProgramStopsTheSendAtTheNextRow) {
    writeInfo("w.inf", "1\r\n2\r\nNorth Sea\r\n");
    MapOf map((dir / "w.gif").string());
    int pauses = 0;
    pacer.onEvents = [&] {
        if (++pauses == 3) {
            pacer.ending = true; // as "Exit" pressed during a pause
        }
    };
    send(&map, "BLN", 1, "", "hello");
    EXPECT_EQ(keys.keyCalls(), 2);
    EXPECT_EQ(shown, 0);
}

} // namespace
