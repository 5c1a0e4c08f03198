// The host's plain logic: reconnect timing, the log, repeats, options, and a link driven
// through a fake connection and a fake clock.

#include "aprs/kiss.h"
#include "aprs/tnc2.h"
#include "base/windows1252.h"
#include "contract/host_bus.h"
#include "station/core/background_file_writer.h"
#include "station/core/feed.h"
#include "station/core/heard_bulletin.h"
#include "station/core/host_options.h"
#include "station/core/link.h"
#include "station/core/log_file_keeper.h"
#include "station/core/message_store.h"
#include "station/core/repeat_schedule.h"
#include "station/core/transmit.h"
#include "testsupport/checked_value.h"
#include "testsupport/fake_link_connection.h"

#include "base/tests/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet::station {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;
using testing::valueOf;

const SteadyTime kStart{std::chrono::hours(1000)};

// The waits grow from 5 s to 5 minutes, each up to a fifth longer at random; only a link up two
// minutes starts again from 5 s. Silent lines and attempts that hang are dropped.
TEST(ReconnectPolicyTest, WaitsGrowAfterEveryDropAndStartAgainOnlyAfterASteadyLink) {
    ReconnectPolicy policy(seconds::zero(), seconds::zero(), Backoff{}, 7);
    SteadyTime now = kStart;
    const std::vector<long long> steps{5, 10, 20, 40, 80, 160, 300, 300, 300};
    std::vector<long long> waits;
    for (std::size_t attempt = 0; attempt < steps.size(); ++attempt) {
        ASSERT_EQ(policy.poll(now), ReconnectPolicy::Action::Connect);
        policy.connecting(now);
        policy.connected(now);
        policy.heard(now); // a banner, then the server closes
        policy.failed(now, "closed");
        waits.push_back(policy.secondsToRetry(now));
        EXPECT_GE(waits.back(), steps[attempt]);
        EXPECT_LE(waits.back(), steps[attempt] + steps[attempt] / 5 + 1);
        EXPECT_EQ(policy.poll(now + seconds(waits.back()) - seconds(1)),
                  ReconnectPolicy::Action::None);
        now += seconds(waits.back());
    }
    EXPECT_NE(waits, steps) << "no jitter";
    EXPECT_EQ(policy.reason(), "closed");
    // Two minutes are counted from the connection, however recently data came; an attempt
    // that fails long after an earlier connection is no steady link.
    struct Ending {
        seconds lastData;
        seconds up;
        long long longestWait;
    };
    for (const Ending ending :
         {Ending{seconds(0), seconds(120), 6}, Ending{seconds(100), seconds(130), 6},
          Ending{seconds(100), seconds(119), 360}}) {
        ReconnectPolicy link(seconds::zero(), seconds::zero(), Backoff{}, 7);
        SteadyTime at = kStart;
        for (int drop = 0; drop < 8; ++drop, at += minutes(6)) {
            link.connecting(at);
            link.failed(at + seconds(1), "refused");
        }
        link.connecting(at);
        link.connected(at);
        link.heard(at + ending.lastData);
        link.failed(at + ending.up, "closed");
        EXPECT_LE(link.secondsToRetry(at + ending.up), ending.longestWait) << ending.up.count();
        EXPECT_GE(link.secondsToRetry(at + ending.up), ending.longestWait == 6 ? 5 : 300);
        at += minutes(10);
        link.connecting(at);
        link.failed(at + seconds(1), "refused");
        EXPECT_GE(link.secondsToRetry(at + seconds(1)), ending.longestWait == 6 ? 10 : 300);
    }

    ReconnectPolicy silent(seconds(60)), quietAllowed, hanging;
    for (ReconnectPolicy* each : {&silent, &quietAllowed}) {
        each->connecting(kStart);
        each->connected(kStart);
    }
    silent.heard(kStart + seconds(30));
    EXPECT_EQ(silent.poll(kStart + seconds(89)), ReconnectPolicy::Action::None);
    EXPECT_EQ(silent.poll(kStart + seconds(90)), ReconnectPolicy::Action::Drop);
    EXPECT_EQ(silent.reason(), "silent for 60 s");
    EXPECT_EQ(quietAllowed.poll(kStart + std::chrono::hours(5)), ReconnectPolicy::Action::None);
    hanging.connecting(kStart);
    EXPECT_EQ(hanging.poll(kStart + seconds(30)), ReconnectPolicy::Action::Drop);
    EXPECT_EQ(hanging.phase(), ReconnectPolicy::Phase::Waiting);
}

// Quillet reads the log as Windows-1252, lines at CR LF and fields at its separator: whatever a
// field held, each line must still read as exactly its three fields.
bool readsAsThreeFieldsALine(const std::string& log) {
    const std::string text = windows1252FromUtf8(log);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string_view line = std::string_view(text).substr(start, end - start);
        if (std::count(line.begin(), line.end(), kFieldSeparator) != 2 ||
            line.find_first_of("\r\n") != std::string_view::npos) {
            return false;
        }
    }
    return start == text.size();
}

// Heard, read from a feed, typed or added over the bus: ³ and line ends never reach a field,
// nor do C1 controls or line separators; a log stored before reads back with ³ as "3".
TEST(MessageStoreTest, LogsEachBulletinOnceDropsTheOldestAndEveryLineIsThreeFields) {
    MessageStore store(3);
    EXPECT_TRUE(store.add({"G4ABC", "BLN1", "Net"}));
    EXPECT_FALSE(store.add({"G4ABC", "BLN1", "Net"}));
    EXPECT_TRUE(store.add({"G4ABC", "BLN1", "Net moved"}));
    EXPECT_TRUE(store.add({"W1AW", "BLN1", "Net"}));
    EXPECT_EQ(store.text(), "G4ABC³BLN1³Net\r\nG4ABC³BLN1³Net moved\r\nW1AW³BLN1³Net\r\n");
    EXPECT_TRUE(store.add({"F5XYZ", "BLNA", "Hamfest"}));
    EXPECT_EQ(store.text(), "G4ABC³BLN1³Net moved\r\nW1AW³BLN1³Net\r\nF5XYZ³BLNA³Hamfest\r\n");
    EXPECT_EQ(store.droppedCount(), 1u);
    // Once dropped, a bulletin is new again.
    EXPECT_TRUE(store.add({"G4ABC", "BLN1", "Net"}));
    // Lines keep the numbers they were logged under: the log from line n on, while it has it.
    using From = std::pair<std::size_t, std::optional<std::string>>;
    for (const auto& [first, expected] :
         {From{1, std::nullopt}, From{2, store.text()}, From{4, "G4ABC³BLN1³Net\r\n"}, From{5, ""},
          From{6, std::nullopt}}) {
        EXPECT_EQ(store.textFrom(first), expected) << first;
    }
    const auto damaged = parseLogText("G4ABC³BLN1³fine\nno separators here\n");
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.error(), "line 2 is not sender, addressee and text");
    store = MessageStore();
    const std::pair<std::string, std::optional<LoggedBulletin>> heard[] = {
        {"G4ABC>APRS::BLN2     :flow 25 m\xC2\xB3/s{7",
         LoggedBulletin{"G4ABC", "BLN2", "flow 25 m3/s"}},
        {"G4ABC>APRS::BLN3     :a\xC2\x85"
         "b\xE2\x80\xA8"
         "c\x01",
         LoggedBulletin{"G4ABC", "BLN3", "a\uFFFDb\uFFFDc\uFFFD"}},
        {"G4ABC>APRS::BLN4     :caf\xE9\r\n\x85x",
         LoggedBulletin{"G4ABC", "BLN4", "caf\u00E9\uFFFD\uFFFD\u2026x"}},
        {"G4ABC>APRS::BLN1\xB3"
         "EVIL:x",
         std::nullopt},
        {"G4ABC>APRS::BLN1\xC2\xB3"
         "EV:x",
         std::nullopt},
        {"G4ABC>APRS::BLNa     :x", std::nullopt},
    };
    store = MessageStore();
    const auto last = [&] {
        return store.bulletins().empty() ? std::nullopt : std::optional(store.bulletins().back());
    };
    for (const auto& [line, expected] : heard) {
        std::optional<LoggedBulletin> logged = loggedFromPacket(valueOf(aprs::parseTnc2(line)));
        if (logged) {
            store.add(*logged);
            logged = last();
        }
        EXPECT_EQ(logged, expected) << line;
    }
    EXPECT_TRUE(store.add({"G4\xC2\xB3X", "BLN1\r\n",
                           "a\xC2\xB3"
                           "b\tc\x7F\xFF"}));
    EXPECT_EQ(last(), (LoggedBulletin{"G43X", "BLN1\uFFFD\uFFFD", "a3b\uFFFDc\uFFFD\uFFFD"}));
    EXPECT_TRUE(readsAsThreeFieldsALine(store.text())) << store.text();
    const auto stored = parseLogText(store.text());
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::vector(stored->begin(), stored->end()),
              std::vector(store.bulletins().begin(), store.bulletins().end()));
    const auto older = parseLogText("W1AW³BLN1³flow 25 m³/s\r\n");
    ASSERT_TRUE(older && older->size() == 1) << older.error();
    EXPECT_TRUE(store.add(older->front()));
    EXPECT_EQ(last(), (LoggedBulletin{"W1AW", "BLN1", "flow 25 m3/s"}));
    // Added by hand, a bulletin must be what could have been heard.
    const std::tuple<std::string, std::string, bool> added[] = {
        {"G4ABC", "BLN1 WX", true},   {"station3", "BLN", true}, {"G4ABC", "BLN 1", false},
        {"G4ABC", "HELLO", false},    {"G4 ABC", "BLN1", false}, {"", "BLN1", false},
        {"G4ABC-1234", "BLN1", false}};
    for (const auto& [sender, addressee, fine] : added) {
        EXPECT_EQ(checkBulletinFields(sender, addressee).ok(), fine) << sender << " " << addressee;
    }
}

// Whatever the order of new lines, repeats and saves, the file read back gives the log and
// never holds more than twice what the log keeps; a last line cut off costs only that line.
TEST(LogFileKeeperTest, TheFileReadBackIsTheLog) {
    const auto readBack = [](const std::string& text) {
        MessageStore again(8);
        const auto parsed = valueOf(parseLogText(text));
        EXPECT_LE(parsed.size(), 16u);
        for (const LoggedBulletin& bulletin : parsed) {
            again.add(bulletin);
        }
        return again;
    };
    MessageStore store(8);
    LogFileKeeper keeper;
    std::string file;
    int appends = 0;
    int wholes = 0;
    int n = 0;
    std::size_t seen = 0; // lines the keeper was shown, dropped ones included
    // New lines between saves; more than the log keeps lets lines leave it unsaved.
    for (const int gap : {12, 1, 3, 2, 5, 1, 1, 4, 12, 2, 3, 6, 1, 1, 2, 9, 2, 1, 3}) {
        for (int i = 0; i < gap; ++i, ++n) {
            // repeats, too; longer than a short-string buffer, so that a line read from a
            // freed place shows
            store.add({"G4ABC", "BLN1", std::string(40, 'x') + std::to_string(n * 7 % 11)});
        }
        const bool leftUnsaved = store.droppedCount() > seen;
        seen = store.droppedCount() + store.bulletins().size();
        const auto write = keeper.next(store);
        EXPECT_TRUE(!leftUnsaved || (write && write->whole)) << "after line " << n;
        if (write) {
            file = write->whole ? write->text : file + write->text;
            ++(write->whole ? wholes : appends);
        }
        ASSERT_EQ(readBack(file).text(), store.text()) << "after line " << n;
    }
    EXPECT_GT(appends, 2 * wholes);
    EXPECT_GT(wholes, 0);

    const std::string cut = file.substr(0, file.size() - 3);
    store = readBack(cut);
    EXPECT_EQ(store.text(), readBack(cut.substr(0, cut.rfind('\n') + 1)).text());
    keeper.loaded(store, store.bulletins().size(), false);
    const auto write = keeper.next(store);
    ASSERT_TRUE(write && write->whole);
    EXPECT_EQ(write->text, store.text());
}

// Saves and appends reach the file in order, in a folder made for it.
TEST(BackgroundFileWriterTest, SavesSupersedePendingWorkAndAppendsFollowInOrder) {
    const testing::TempDir temp;
    const auto dir = temp.path();
    {
        BackgroundFileWriter writer((dir / "sub" / "log.txt").string());
        writer.save("two\n");
        writer.save("three\n");
        writer.append("four\n");
        EXPECT_TRUE(writer.flush());
        writer.append("five\n");
        EXPECT_TRUE(writer.flush());
        EXPECT_FALSE(writer.takeError());
    }
    EXPECT_EQ(testing::readBytes(dir / "sub" / "log.txt"), "three\nfour\nfive\n");
}

// Comments and blank lines are skipped, the text is all after the second bar, only CR of CR LF
// goes, bad lines are reported by number; length is counted in characters, not bytes.
TEST(FeedTest, LinesAreSenderAddresseeAndTextInOrderAndFilesOneProblemWhenUnreadable) {
    std::string longest; // with "G4ABC|BLN1|" as long as a line may be
    while (longest.size() < 2 * (kLongestFeedLine - 11)) {
        longest += "\xC3\xA9";
    }
    const Feed feed = parseFeed("# stations of the demo\n\n \xC2\xA0\t\n"
                                "G4ABC|BLN1|First\n"
                                "#G4XXX|BLN|commented out\n"
                                "no bars at all\r\n"
                                "M0PQR|BLNR|radios | batteries || maps|\n"
                                "G4ABC|only one bar\r\n"
                                "G4ABC|BLN|\n"
                                "|BLN1|no sender\r\n"
                                "G4ABC||no addressee\r\n"
                                "G4ABC|BLN 1|  padded text  \r\n"
                                "G4ABC|BLN1|" +
                                std::string(kLongestFeedLine - 10, 'x') + "\nG4ABC|BLN1|" +
                                longest + "\nDL1XYZ|BLN2EU|Second");
    const std::vector<FeedEntry> expected{
        {"G4ABC", "BLN1", "First"}, {"M0PQR", "BLNR", "radios | batteries || maps|"},
        {"G4ABC", "BLN", ""},       {"G4ABC", "BLN 1", "  padded text  "},
        {"G4ABC", "BLN1", longest}, {"DL1XYZ", "BLN2EU", "Second"}};
    EXPECT_EQ(feed.bulletins, expected);
    std::vector<int> lines;
    for (const auto& problem : feed.problems) {
        lines.push_back(problem.line);
    }
    EXPECT_EQ(lines, (std::vector<int>{6, 8, 10, 11, 13}));
    ASSERT_FALSE(feed.problems.empty());
    EXPECT_EQ(feed.problems[0].message,
              "expected callsign|addressee|text, found \"no bars at all\"");
    // A file that cannot be read is one problem numbered 0.
    const testing::TempDir temp;
    ASSERT_EQ(::mkfifo((temp / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(readFeedFile(temp / "fifo").problems,
              (std::vector<FeedProblem>{{0, "cannot read: not a regular file"}}));
    EXPECT_EQ(readFeedFile(temp / "absent").problems,
              (std::vector<FeedProblem>{{0, "cannot read: no such file"}}));
    const Feed shipped = readFeedFile(QUILLET_SAMPLE_FEED);
    EXPECT_TRUE(shipped.problems.empty());
    EXPECT_GE(shipped.bulletins.size(), 30u);
}

TEST(RepeatScheduleTest, BulletinsDecayToTwentyMinutesForFourHoursAnnouncementsHourlyForDays) {
    // The first repeats, minutes after the first sending, and the count of repeats in all:
    // 1+2+4+8 = 15, then every 20 (or 60) minutes up to 4 hours (or 4 days).
    const std::tuple<const char*, std::vector<int>, int> cases[] = {
        {"BLN1", {1, 3, 7, 15, 35, 55}, 4 + (240 - 15) / 20},
        {"BLN2EU", {1, 3, 7, 15, 35}, 4 + (240 - 15) / 20},
        {"BLNA", {1, 3, 7, 15, 75, 135}, 4 + (96 * 60 - 15) / 60}};
    for (const auto& [addressee, firstMinutes, count] : cases) {
        RepeatSchedule schedule;
        schedule.add({addressee, "text", "", 1}, kStart);
        std::vector<int> at;
        for (int minute = 0; minute <= 5 * 24 * 60; ++minute) {
            if (!schedule.due(kStart + minutes(minute)).empty()) {
                at.push_back(minute);
            }
        }
        ASSERT_GE(at.size(), firstMinutes.size()) << addressee;
        EXPECT_EQ(std::vector(at.begin(), at.begin() + firstMinutes.size()), firstMinutes);
        EXPECT_EQ(static_cast<int>(at.size()), count) << addressee;
        EXPECT_EQ(schedule.size(), 0u);
    }

    RepeatSchedule schedule;
    schedule.add({"BLN1", "old", "", 1}, kStart);
    schedule.add({"BLN2", "other", "", 1}, kStart);
    schedule.add({"BLN1", "new", "WIDE2-1", 2}, kStart + seconds(30));
    EXPECT_EQ(schedule.due(kStart + seconds(60)),
              (std::vector<OwnBulletin>{{"BLN2", "other", "", 1}}));
    EXPECT_EQ(schedule.due(kStart + seconds(90)),
              (std::vector<OwnBulletin>{{"BLN1", "new", "WIDE2-1", 2}}));
}

TEST(HostOptionsTest, SectionRoundTripsCommandLineWinsAndOnlySoundOptionsAreKept) {
    const std::string ini = "[UI-View32]\r\nProgram Folder=/opt/ui/\r\n\r\n[quillet host]\r\n"
                            "call = G4ABC\r\nKISS=tnc1:8001  tnc2\r\nPasscode=x\r\nColour=red\r\n";
    std::vector<std::string> problems;
    const HostOptions stored = parseOptionsSection(ini, problems);
    EXPECT_EQ(stored.call, "G4ABC");
    EXPECT_EQ(stored.kiss, (std::vector<std::string>{"tnc1:8001", "tnc2"}));
    EXPECT_EQ(problems,
              (std::vector<std::string>{"[Quillet Host]: the passcode \"x\" is not a number",
                                        "[Quillet Host]: unknown key \"Colour\""}));
    HostOptions given;
    given.aprsIs = "rotate.aprs2.net";
    given.passcode = 13023;
    const HostOptions options = merged(stored, given);
    const std::string written = withOptionsSection(ini, options);
    EXPECT_TRUE(written.starts_with("[UI-View32]\nProgram Folder=/opt/ui/\n\n[Quillet Host]\n"));
    problems.clear();
    EXPECT_EQ(parseOptionsSection(written, problems), options);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(withOptionsSection(written, options), written);

    // What a link option may hold; whatever checkOptions refuses is never saved.
    const std::pair<const char*, const char*> kept[] = {
        {"localhost:8001", "localhost:8001"}, {"tnc", "tnc:8001"}, {"[::1]:9000", "::1:9000"}};
    for (const auto& [text, expected] : kept) {
        const auto endpoint = parseEndpoint(text, 8001);
        ASSERT_TRUE(endpoint) << text;
        EXPECT_EQ(endpoint->host + ":" + std::to_string(endpoint->port), expected);
    }
    for (const char* refused :
         {"host:0", "host:70000", ":8001", "host:", "host:80x", "host:-5", "host:99999",
          "127.0.0.1:8001:9", "::1", "[::1]x", "a b:1", "a\tb"}) {
        EXPECT_FALSE(parseEndpoint(refused, 8001)) << refused;
    }
    const auto with = [](auto change) {
        HostOptions sound{"N0CALL",          13023,
                          {"tnc:8001"},      "rotate.aprs2.net",
                          "g/BLN* b/N0CALL", "/home/me/maps/a b.gif"};
        change(sound);
        return checkOptions(sound);
    };
    EXPECT_TRUE(with([](HostOptions&) {}));
    EXPECT_EQ(with([](HostOptions& o) { o.kiss.push_back("host:0"); }).error(),
              "--kiss host:0: \"0\" is not a TCP port (1 to 65535)");
    EXPECT_FALSE(with([](HostOptions& o) { o.aprsIs = "a b:1"; }));
    EXPECT_FALSE(with([](HostOptions& o) { o.filter = "g/BLN*\r\nuser X"; }));
    EXPECT_FALSE(with([](HostOptions& o) { o.filter = "g/BLN*\xC2\x85user X"; }));
    EXPECT_FALSE(with([](HostOptions& o) { o.filter = "g/BLN*\xE2\x80\xA8user X"; }));
    EXPECT_FALSE(with([](HostOptions& o) { o.call = "N0CALL\xC2\x9F"; }));
    EXPECT_TRUE(with([](HostOptions& o) { o.map = "/home/me/maps/caf\xC3\xA9.gif"; }));
    EXPECT_FALSE(with([](HostOptions& o) { o.call = "N0 CALL"; }));
    EXPECT_FALSE(with([](HostOptions& o) { o.map = "/a\nb.gif"; }));
}

// A link through a fake connection with a clock the test moves.
struct LinkRig {
    explicit LinkRig(std::unique_ptr<LinkProtocol> protocol, Backoff backoff = {.jitter = 0}) {
        auto fake = std::make_unique<FakeLinkConnection>();
        connection = fake.get();
        link = std::make_unique<Link>(
            "APRS-IS", "server", 14580, std::move(fake), std::move(protocol),
            [this] { return now; }, backoff);
        link->setEvents({[this](const aprs::Packet& p) { heard.push_back(p); },
                         [this](const std::string& text) { problems.push_back(text); },
                         {}});
    }
    SteadyTime now = kStart;
    FakeLinkConnection* connection = nullptr;
    std::unique_ptr<Link> link;
    std::vector<aprs::Packet> heard;
    std::vector<std::string> problems;
};

// Login, frames and reconnects against real peers are in peers_integration_test.cpp.
TEST(LinkTest, AprsIsSendsOnlyWhenVerifiedSurvivesGarbageAndDropsASilentLine) {
    LinkRig rig(std::make_unique<AprsIsProtocol>(AprsIsLogin{"N0CALL", 13023, "g/BLN*"}));
    const auto packet = valueOf(buildMessagePacket("N0CALL", "BLN1", "Net tonight", "WIDE2-1"));
    rig.link->tick();
    rig.connection->peerAccepts();
    EXPECT_EQ(rig.link->transmit(packet).error(),
              "APRS-IS: APRS-IS has not answered the login yet");
    rig.connection->peerSends("# logresp N0CALL unverified, server T2X\r\n");
    EXPECT_EQ(rig.link->stateText(), "unverified (receive only)");
    EXPECT_FALSE(rig.link->transmit(packet));
    // 100 KB without a line end, then a packet split over two reads.
    rig.connection->peerSends(std::string(100000, 'x'));
    rig.connection->peerSends("yyy\r\nG4ABC>APRS,TCPIP*::BLN2     :Sec");
    rig.connection->peerSends("ond\r\nnot a packet\r\n");
    ASSERT_EQ(rig.heard.size(), 1u);
    EXPECT_EQ(rig.heard[0].info, ":BLN2     :Second");
    ASSERT_EQ(rig.problems.size(), 2u);
    EXPECT_EQ(rig.problems[0], "APRS-IS: dropped a line longer than 1024 bytes");
    rig.now += seconds(60);
    rig.link->tick();
    EXPECT_FALSE(rig.connection->isOpen);
    EXPECT_EQ(rig.link->stateText(), "retrying in 5 s (silent for 60 s)");
    rig.now += seconds(5);
    rig.link->tick();
    EXPECT_EQ(rig.connection->opened.size(), 2u);
}

TEST(LinkTest, KissSkipsBadFramesAndSaysWhyItCannotSend) {
    LinkRig rig(std::make_unique<KissProtocol>());
    rig.link->tick();
    rig.connection->peerAccepts();
    const auto packet = valueOf(buildMessagePacket("N0CALL", "BLN1", "Hi", ""));
    const std::string frame = aprs::kissEncode(valueOf(aprs::encodeAx25(packet)), 0);
    rig.connection->peerSends(std::string("\xC0\x00short\xC0", 8) + frame);
    ASSERT_EQ(rig.heard, std::vector{packet});
    EXPECT_EQ(rig.problems.size(), 1u);
    rig.connection->isOpen = false; // gone without a word yet
    EXPECT_EQ(rig.link->transmit(packet).error(),
              "APRS-IS could not take the packet: the connection is not open");
    rig.connection->isOpen = true;
    rig.connection->peerCloses("Connection reset by peer");
    EXPECT_EQ(rig.link->transmit(packet).error(),
              "APRS-IS is retrying in 5 s (Connection reset by peer)");
}

// A server that sends its banner and closes is called 7 times in 10 minutes, not hundreds; one
// that never answers the login is dropped after 30 s and called again under the same waits.
TEST(LinkTest, ServersThatCloseAfterTheirBannerOrNeverAnswerTheLoginAreCalledLessAndLess) {
    LinkRig closing(std::make_unique<AprsIsProtocol>(AprsIsLogin{"N0CALL", -1, "g/BLN*"}),
                    Backoff{});
    for (int second = 0; second < 600; ++second, closing.now += seconds(1)) {
        closing.link->tick();
        if (!closing.connection->isOpen && closing.connection->opened.size() > 0 &&
            closing.link->stateText() == "connecting") {
            closing.connection->peerAccepts();
            closing.connection->peerSends("# aprsc 2.1.10\r\n");
            closing.connection->peerCloses("closed");
        }
    }
    EXPECT_EQ(closing.connection->opened.size(), 7u);

    LinkRig silent(std::make_unique<AprsIsProtocol>(AprsIsLogin{"N0CALL", -1, "g/BLN*"}));
    silent.link->tick();
    silent.connection->peerAccepts();
    for (int second = 0; second < 30; ++second, silent.now += seconds(1)) {
        silent.connection->peerSends(second % 20 == 0 ? "# aprsc 2.1.10\r\n" : "");
        silent.link->tick();
        ASSERT_EQ(silent.link->stateText(), "logging in") << second;
    }
    silent.link->tick();
    EXPECT_FALSE(silent.connection->isOpen);
    EXPECT_EQ(silent.link->stateText(), "retrying in 5 s (no answer to the login within 30 s)");
    EXPECT_EQ(silent.problems,
              std::vector<std::string>{"APRS-IS: no answer to the login within 30 s"});
    silent.now += seconds(5);
    silent.link->tick();
    silent.connection->peerAccepts();
    silent.connection->peerSends("# logresp N0CALL unverified, server T2X\r\n");
    silent.now += seconds(45);
    silent.link->tick();
    EXPECT_EQ(silent.link->stateText(), "unverified (receive only)");
}

TEST(TransmitTest, PortsNameKissLinksAndBadFieldsAreRefused) {
    std::vector<Link*> links{reinterpret_cast<Link*>(1), reinterpret_cast<Link*>(2)};
    const std::pair<int, std::vector<Link*>> ports[] = {
        {0, links}, {1, {links[0]}}, {2, {links[1]}}, {3, {}}, {-1, {}}};
    for (const auto& [port, named] : ports) {
        EXPECT_EQ(kissLinksForPort(port, links), named) << port;
    }

    const auto packet = buildMessagePacket("N0CALL-9", "BLN1", "text", " WIDE1-1 , WIDE2-2 ");
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->path.size(), 2u);
    EXPECT_EQ(packet->info, ":BLN1     :text");
    const std::string tooLong(kMaxInfoField - 10, 'x'); // one more than ":BLN1     :" leaves
    EXPECT_TRUE(buildMessagePacket("N0CALL", "BLN1", tooLong.substr(1), ""));
    const std::tuple<const char*, const char*, const char*> refused[] = {
        {"BLN1", "x", "WIDE1-1,,WIDE2"}, {"BLN1", "x", "TOOLONGDIGI"},
        {"BLN1TOOLONG", "x", ""},        {"BLN1", "a{b", ""},
        {"BLN1", tooLong.c_str(), ""},   {"BLN1", "x", "A,B,C,D,E,F,G,H,I"},
    };
    for (const auto& [addressee, text, path] : refused) {
        EXPECT_FALSE(buildMessagePacket("N0CALL", addressee, text, path))
            << addressee << text << path;
    }
}

} // namespace
} // namespace quillet::station
