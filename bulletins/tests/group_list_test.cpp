#include "bulletins/bulletin_store.h"
#include "bulletins/fake_clock.h"
#include "bulletins/group_list.h"
#include "table_helpers.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::testing::logLine;

namespace {

class GroupListFill : public ::testing::Test {
protected:
    FakeClock clock;
    BulletinStore store{clock};

    void hold(const std::vector<std::string>& addressees) {
        std::string log;
        int n = 0;
        for (const auto& a : addressees) {
            log += logLine("S" + std::to_string(n++), a, "t");
        }
        store.storeMessageLog(log);
    }
};

TEST_F(GroupListFill, AnEmptyTableGivesAllSelected) {
    const GroupList list = fillGroupList(store.bulletins(), "ALL");
    EXPECT_EQ(list.entries, std::vector<std::string>{"ALL"});
    EXPECT_EQ(list.selected, 0);
}

TEST_F(GroupListFill, GroupsFollowSlotOrderEachOnce) {
    hold({"BLN1NA", "BLN2EU", "BLN3NA", "BLN4"});
    const GroupList list = fillGroupList(store.bulletins(), "ALL");
    EXPECT_EQ(list.entries, (std::vector<std::string>{"ALL", "NA", "EU"}));
    EXPECT_EQ(list.selected, 0);
}

TEST_F(GroupListFill, TheFiltersGroupIsSelectedWhileItIsHeld) {
    hold({"BLN1NA", "BLN2EU"});
    EXPECT_EQ(fillGroupList(store.bulletins(), "EU").selected, 2);
    EXPECT_EQ(fillGroupList(store.bulletins(), "eu").selected, 0);
    EXPECT_EQ(fillGroupList(store.bulletins(), "WX").selected, 0); // filter not held
}

TEST_F(GroupListFill, AGroupNamedAllIsNotListedTwice) {
    hold({"BLN1ALL", "BLN2EU"});
    const GroupList list = fillGroupList(store.bulletins(), "ALL");
    EXPECT_EQ(list.entries, (std::vector<std::string>{"ALL", "EU"}));
    EXPECT_EQ(list.selected, 0);
}

TEST(GroupListed, ComparesEntriesExactly) {
    const GroupList list{{"ALL", "EU"}, 1};
    EXPECT_TRUE(groupListed(list, "EU"));
    EXPECT_FALSE(groupListed(list, "eu"));
    EXPECT_FALSE(groupListed(list, "E"));
}

} // namespace
