#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr std::string_view kEnterTextHere = "Enter Text Here";

// The 36 bulletin codes in board order: "BLN", "BLN1".."BLN9", "BLNA".."BLNZ".
std::vector<std::string> boardCodes();

// One row per code: its label ("BLN >" for the bare code, "BLN7>" for the others), a tab,
// and the station's own text for that code or the placeholder.
std::vector<std::string>
ownBulletinBoardRows(const std::function<std::string(const std::string&)>& getMyMessageForBLN);

// What a board row hands to the Add Message window.
struct BoardSelection {
    std::string toStation; // the row before its first ">", "BLN " with its blank
    std::string message;   // the row after its first tab; "" for the placeholder
};
BoardSelection boardSelection(std::string_view row);

// The To and Text fields that "Update Message" takes from a received-bulletin row: the third
// tab-separated column, split at its first ">". Nothing for a row without such a column.
struct UpdateFields {
    std::string toStation;
    std::string message;
};
bool updateFieldsFromRow(std::string_view row, UpdateFields& fields);

} // namespace quillet
