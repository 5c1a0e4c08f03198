#include "tools/host/map_info.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillet::hostapp {
namespace {

TEST(MapInfoTest, InfoFileReplacesTheFileNamesOwnExtension) {
    EXPECT_EQ(mapInfoPath(u"/maps/demo.gif"_qs), u"/maps/demo.inf"_qs);
    EXPECT_EQ(mapInfoPath(u"/maps/north.sea.gif"_qs), u"/maps/north.sea.inf"_qs);
    // Only the file name's own extension is replaced, never a dot in a folder name.
    EXPECT_EQ(mapInfoPath(u"/home/g4abc/.local/maps.v2/demo.gif"_qs),
              u"/home/g4abc/.local/maps.v2/demo.inf"_qs);
    EXPECT_EQ(mapInfoPath(u"C:\\ui.v\\demo"_qs), u"C:\\ui.v\\demo.inf"_qs);
    EXPECT_EQ(mapInfoPath(u"/maps.v2/demo"_qs), u"/maps.v2/demo.inf"_qs);
}

TEST(MapInfoTest, TitleIsTheWholeThirdLine) {
    EXPECT_EQ(mapTitleFromInfo("Demo\r\n52,2,56,8\r\nNorth Sea Demo\r\nmore\r\n"),
              u"North Sea Demo"_qs);
    EXPECT_EQ(mapTitleFromInfo("Demo\n52,2,56,8\n  North Sea  \n"), u"  North Sea  "_qs)
        << "LF endings are accepted and the title is not trimmed";
    EXPECT_EQ(mapTitleFromInfo("Demo\r\n\r\nK\xFCste"), QString::fromUtf8("Küste"))
        << "Windows-1252, last line without an ending";
    EXPECT_EQ(mapTitleFromInfo("Demo\r\n52,2,56,8\r\n\r\n"), QString());
}

TEST(MapInfoTest, ShortInfoFilesHaveNoTitle) {
    EXPECT_EQ(mapTitleFromInfo(""), std::nullopt);
    EXPECT_EQ(mapTitleFromInfo("Demo"), std::nullopt);
    EXPECT_EQ(mapTitleFromInfo("Demo\r\n52,2,56,8"), std::nullopt);
    EXPECT_EQ(mapTitleFromInfo("Demo\r\n52,2,56,8\r\n"), std::nullopt);
}

TEST(MapInfoTest, ReadsTitleBesideTheMapOrExplainsItsAbsence) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"maps.v2"_qs));
    QFile info(dir.filePath(u"maps.v2/coast.inf"_qs));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("Coast\r\n51,1,53,3\r\nCoastline\r\n");
    info.close();

    const MapTitle found = readMapTitle(dir.filePath(u"maps.v2/coast.gif"_qs));
    EXPECT_EQ(found.title, u"Coastline"_qs);
    EXPECT_TRUE(found.problem.isEmpty());

    const MapTitle missing = readMapTitle(dir.filePath(u"other/coast.gif"_qs));
    EXPECT_TRUE(missing.title.isEmpty());
    EXPECT_TRUE(missing.problem.contains(u"other/coast.inf"_qs));
}

TEST(MapInfoTest, ShippedDemoMapHasATitle) {
    const MapTitle demo = readMapTitle(QStringLiteral(QUILLET_DEMO_MAP));
    EXPECT_TRUE(demo.problem.isEmpty()) << demo.problem.toStdString();
    EXPECT_FALSE(demo.title.isEmpty());
    EXPECT_EQ(windowCaption(demo.title), u"UI-View32 V2.03 ["_qs + demo.title + u"]"_qs);
}

} // namespace
} // namespace quillet::hostapp
