// The map's information file, which gives the host's window its caption.

#include "station/program/map_info.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillet::station {
namespace {

// Only the file name's own extension is replaced, never a dot in a folder name.
TEST(MapInfoTest, InfoFileReplacesTheFileNamesOwnExtension) {
    const std::pair<QString, QString> cases[] = {{"/maps/demo.gif", "/maps/demo.inf"},
                                                 {"/maps/north.sea.gif", "/maps/north.sea.inf"},
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
    QFile coast(dir.filePath("maps.v2/coast.inf"));
    ASSERT_TRUE(coast.open(QIODevice::WriteOnly) &&
                coast.write("Coast\r\n51,1,53,3\r\nCoastline\r\n") > 0);
    coast.close();
    const Result<QString> found = readMapTitle(dir.filePath("maps.v2/coast.gif"));
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(*found, u"Coastline"_qs);
    const Result<QString> missing = readMapTitle(dir.filePath("other/coast.gif"));
    EXPECT_EQ(missing.error(), "cannot read the map information file " +
                                   dir.filePath("other/coast.inf").toStdString() +
                                   " (no such file)");
    const Result<QString> demo = readMapTitle(QStringLiteral(QUILLET_DEMO_MAP));
    ASSERT_TRUE(demo) << demo.error();
    EXPECT_FALSE(demo->isEmpty());
}

} // namespace
} // namespace quillet::station
