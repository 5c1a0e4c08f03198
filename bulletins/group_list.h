#pragma once

#include "bulletin.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The entries of the group filter list and which one is selected.
struct GroupList {
    std::vector<std::string> entries;
    int selected = 0;

    bool operator==(const GroupList&) const = default;
};

// Whether an entry equals the text exactly.
bool groupListed(const GroupList& list, std::string_view text);

// Appends every group code of the bulletins held that is not listed yet, in slot order,
// selecting the one equal to the filter.
void addGroups(GroupList& list, const BulletinTable& bulletins, std::string_view groupFilter);

// "ALL" followed by the groups present; "ALL" stays selected unless a listed group equals
// the filter.
GroupList fillGroupList(const BulletinTable& bulletins, std::string_view groupFilter);

} // namespace quillet
