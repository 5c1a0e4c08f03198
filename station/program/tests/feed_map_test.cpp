// The host's input files: the feed of bulletins and the map's information file.

#include "station/program/feed.h"
#include "station/program/map_info.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace quillet::station {
namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Comments and blank lines are skipped, the text is everything after the second bar, only
// the CR of CR LF goes, and malformed lines are reported with their numbers and skipped.
TEST(FeedTest, LinesAreSenderAddresseeAndTextInOrderAndFilesUtf8) {
    const Feed feed = parseFeed(u"# stations of the demo\n\n   \n"
                                u"G4ABC|BLN1|First\n"
                                u"#G4XXX|BLN|commented out\n"
                                u"no bars at all\r\n"
                                u"M0PQR|BLNR|radios | batteries || maps|\n"
                                u"G4ABC|only one bar\r\n"
                                u"G4ABC|BLN|\n"
                                u"|BLN1|no sender\r\n"
                                u"G4ABC||no addressee\r\n"
                                u"G4ABC|BLN 1|  padded text  \r\n"_qs +
                                u"G4ABC|BLN1|"_qs + QString(kLongestFeedLine - 10, u'x') +
                                u"\nDL1XYZ|BLN2EU|Second"_qs);
    const std::vector<FeedBulletin> expected{{"G4ABC", "BLN1", "First"},
                                             {"M0PQR", "BLNR", "radios | batteries || maps|"},
                                             {"G4ABC", "BLN", ""},
                                             {"G4ABC", "BLN 1", "  padded text  "},
                                             {"DL1XYZ", "BLN2EU", "Second"}};
    EXPECT_EQ(feed.bulletins, expected);
    std::vector<int> lines;
    for (const auto& problem : feed.problems) {
        lines.push_back(problem.line);
    }
    EXPECT_EQ(lines, (std::vector<int>{6, 8, 10, 11, 13}));
    ASSERT_FALSE(feed.problems.empty());
    EXPECT_TRUE(feed.problems[0].message.contains(u"no bars at all"_qs));
    // Files are UTF-8; a missing one is one problem.
    QTemporaryDir dir;
    ASSERT_TRUE(
        writeFile(dir.filePath("feed.txt"), "F5XYZ|BLN1EU|R\xC3\xA9union 18\xC2\xB0\x43\n"));
    const Feed utf8 = readFeedFile(dir.filePath("feed.txt"));
    ASSERT_EQ(utf8.bulletins.size(), 1u);
    EXPECT_EQ(utf8.bulletins[0].text, QString::fromUtf8("Réunion 18°C"));
    const Feed missing = readFeedFile(dir.filePath("absent.txt"));
    EXPECT_TRUE(missing.bulletins.empty());
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0].line, 0);
    const Feed shipped = readFeedFile(QStringLiteral(QUILLET_SAMPLE_FEED));
    EXPECT_TRUE(shipped.problems.empty());
    EXPECT_GE(shipped.bulletins.size(), 30u);
}

// Only the file name's own extension is replaced, never a dot in a folder name.
TEST(MapInfoTest, InfoFileReplacesTheFileNamesOwnExtension) {
    const std::pair<QString, QString> cases[] = {
        {"/maps/demo.gif", "/maps/demo.inf"},
        {"/maps/north.sea.gif", "/maps/north.sea.inf"},
        {"/home/g4abc/.local/maps.v2/demo.gif", "/home/g4abc/.local/maps.v2/demo.inf"},
        {"C:\\ui.v\\demo", "C:\\ui.v\\demo.inf"},
        {"/maps.v2/demo", "/maps.v2/demo.inf"}};
    for (const auto& [map, info] : cases) {
        EXPECT_EQ(mapInfoPath(map), info);
    }
}

// The whole third line, not trimmed, in Windows-1252, with CR LF or LF; none in short files.
TEST(MapInfoTest, TitleIsTheWholeThirdLineOfTheFileBesideTheMapOrWhyNot) {
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"Demo\r\n52,2,56,8\r\nNorth Sea Demo\r\nmore\r\n", "North Sea Demo"},
        {"Demo\n52,2,56,8\n  North Sea  \n", "  North Sea  "},
        {"Demo\r\n\r\nK\xFCste", QString::fromUtf8("Küste")},
        {"Demo\r\n52,2,56,8\r\n\r\n", QString()},
        {"", std::nullopt},
        {"Demo", std::nullopt},
        {"Demo\r\n52,2,56,8", std::nullopt},
        {"Demo\r\n52,2,56,8\r\n", std::nullopt}};
    for (const auto& [info, title] : cases) {
        EXPECT_EQ(mapTitleFromInfo(info), title) << info;
    }
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("maps.v2"));
    ASSERT_TRUE(
        writeFile(dir.filePath("maps.v2/coast.inf"), "Coast\r\n51,1,53,3\r\nCoastline\r\n"));
    const MapTitle found = readMapTitle(dir.filePath("maps.v2/coast.gif"));
    EXPECT_EQ(found.title, u"Coastline"_qs);
    EXPECT_TRUE(found.problem.isEmpty());
    const MapTitle missing = readMapTitle(dir.filePath("other/coast.gif"));
    EXPECT_TRUE(missing.title.isEmpty());
    EXPECT_TRUE(missing.problem.contains(u"other/coast.inf"_qs));
    const MapTitle demo = readMapTitle(QStringLiteral(QUILLET_DEMO_MAP));
    EXPECT_TRUE(demo.problem.isEmpty()) << demo.problem.toStdString();
    EXPECT_FALSE(demo.title.isEmpty());
}

// A FIFO, a device or an oversized file under the name of a feed or an information file is
// refused at once with a message naming why; nothing waits for a writer or fills the memory.
TEST(FeedTest, FeedsAndInformationFilesAreReadOnlyWhenRegularAndSmallEnough) {
    QTemporaryDir dir;
    const auto fifo = [&](const QString& name) {
        return ::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600) == 0;
    };
    ASSERT_TRUE(fifo("feed.fifo") && fifo("map.inf"));
    QFile huge(dir.filePath("huge.txt"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(kLargestFeedFile + 1));
    const std::pair<QString, QString> feeds[] = {
        {dir.filePath("feed.fifo"), "cannot read: not a regular file"},
        {QStringLiteral("/dev/zero"), "cannot read: not a regular file"},
        {dir.filePath("huge.txt"), "cannot read: larger than 67108864 bytes"}};
    for (const auto& [path, why] : feeds) {
        const Feed feed = readFeedFile(path);
        ASSERT_EQ(feed.problems.size(), 1u) << path.toStdString();
        EXPECT_EQ(feed.problems[0], (FeedProblem{0, why}));
    }
    ASSERT_TRUE(huge.rename(dir.filePath("big.inf")) && huge.resize(kLargestMapInfoFile + 1));
    for (const char* map : {"map.gif", "big.gif"}) {
        const MapTitle title = readMapTitle(dir.filePath(map));
        EXPECT_TRUE(title.title.isEmpty());
        EXPECT_TRUE(title.problem.startsWith(u"cannot read the map information file "_qs +
                                             dir.filePath(map).chopped(3) + u"inf ("_qs))
            << title.problem.toStdString();
    }
}

} // namespace
} // namespace quillet::station
