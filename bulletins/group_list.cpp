#include "group_list.h"

#include "bulletin_list.h"

#include <algorithm>

namespace quillet {

bool groupListed(const GroupList& list, std::string_view text) {
    return std::find(list.entries.begin(), list.entries.end(), text) != list.entries.end();
}

void addGroups(GroupList& list, const BulletinTable& bulletins, std::string_view groupFilter) {
    for (const Bulletin& b : bulletins) {
        if (!b.inUse || b.groupCode.empty() || groupListed(list, b.groupCode)) {
            continue;
        }
        list.entries.push_back(b.groupCode);
        if (b.groupCode == groupFilter) {
            list.selected = static_cast<int>(list.entries.size()) - 1;
        }
    }
}

GroupList fillGroupList(const BulletinTable& bulletins, std::string_view groupFilter) {
    GroupList list{{std::string(kAllGroups)}, 0};
    addGroups(list, bulletins, groupFilter);
    return list;
}

} // namespace quillet
