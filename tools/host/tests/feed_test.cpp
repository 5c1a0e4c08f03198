#include "tools/host/feed.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillet::hostapp {
namespace {

TEST(FeedTest, SkipsCommentsAndBlankLinesAndKeepsOrder) {
    const Feed feed = parseFeed(u"# stations of the demo\n"
                                u"\n"
                                u"   \n"
                                u"G4ABC|BLN1|First\n"
                                u"#G4XXX|BLN|commented out\n"
                                u"DL1XYZ|BLN2EU|Second");
    EXPECT_TRUE(feed.problems.empty());
    ASSERT_EQ(feed.bulletins.size(), 2u);
    EXPECT_EQ(feed.bulletins[0], (FeedBulletin{u"G4ABC"_qs, u"BLN1"_qs, u"First"_qs}));
    EXPECT_EQ(feed.bulletins[1], (FeedBulletin{u"DL1XYZ"_qs, u"BLN2EU"_qs, u"Second"_qs}));
}

TEST(FeedTest, TextIsEverythingAfterTheSecondBar) {
    const Feed feed = parseFeed(u"M0PQR|BLNR|radios | batteries || maps|\n"
                                u"G4ABC|BLN|\n"
                                u"G4ABC|BLN 1|  padded text  \r\n");
    ASSERT_EQ(feed.bulletins.size(), 3u);
    EXPECT_EQ(feed.bulletins[0].text, u"radios | batteries || maps|"_qs);
    EXPECT_EQ(feed.bulletins[1].text, QString());
    EXPECT_EQ(feed.bulletins[2].addressee, u"BLN 1"_qs);
    EXPECT_EQ(feed.bulletins[2].text, u"  padded text  "_qs) << "only the CR of CR LF goes";
}

TEST(FeedTest, MalformedLinesAreReportedWithTheirNumbersAndSkipped) {
    const Feed feed = parseFeed(u"G4ABC|BLN1|good\r\n"
                                u"no bars at all\r\n"
                                u"# comment\r\n"
                                u"G4ABC|only one bar\r\n"
                                u"|BLN1|no sender\r\n"
                                u"G4ABC||no addressee\r\n"
                                u"W1AW|BLN5|good again\r\n");
    ASSERT_EQ(feed.bulletins.size(), 2u);
    EXPECT_EQ(feed.bulletins[1].callsign, u"W1AW"_qs);
    ASSERT_EQ(feed.problems.size(), 4u);
    EXPECT_EQ(feed.problems[0].line, 2);
    EXPECT_EQ(feed.problems[1].line, 4);
    EXPECT_EQ(feed.problems[2].line, 5);
    EXPECT_EQ(feed.problems[3].line, 6);
    EXPECT_TRUE(feed.problems[0].message.contains(u"no bars at all"_qs));
}

TEST(FeedTest, FilesAreUtf8AndMissingOnesAreOneProblem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"feed.txt"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("F5XYZ|BLN1EU|R\xC3\xA9union 18\xC2\xB0\x43\n");
    file.close();

    const Feed feed = readFeedFile(path);
    ASSERT_EQ(feed.bulletins.size(), 1u);
    EXPECT_EQ(feed.bulletins[0].text, QString::fromUtf8("Réunion 18°C"));

    const Feed missing = readFeedFile(dir.filePath(u"absent.txt"_qs));
    EXPECT_TRUE(missing.bulletins.empty());
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0].line, 0);
}

TEST(FeedTest, ShippedSampleFeedIsCleanAndVaried) {
    const Feed feed = readFeedFile(QStringLiteral(QUILLET_SAMPLE_FEED));
    EXPECT_TRUE(feed.problems.empty());
    EXPECT_GE(feed.bulletins.size(), 30u);
    bool ownStation = false;
    bool nonAscii = false;
    bool update = false;
    for (std::size_t i = 0; i < feed.bulletins.size(); ++i) {
        const FeedBulletin& b = feed.bulletins[i];
        ownStation = ownStation || b.callsign == u"G4SIM"_qs;
        nonAscii = nonAscii || std::any_of(b.text.begin(), b.text.end(),
                                           [](QChar c) { return c.unicode() > 0x7F; });
        for (std::size_t j = 0; j < i; ++j) {
            const FeedBulletin& earlier = feed.bulletins[j];
            update = update || (earlier.callsign == b.callsign &&
                                earlier.addressee == b.addressee && earlier.text != b.text);
        }
    }
    EXPECT_TRUE(ownStation);
    EXPECT_TRUE(nonAscii);
    EXPECT_TRUE(update);
}

} // namespace
} // namespace quillet::hostapp
