#include "composing/own_bulletin_board.h"

namespace quillet {

std::vector<std::string> boardCodes() {
    std::vector<std::string> codes{"BLN"};
    for (char c = '1'; c <= '9'; ++c) {
        codes.push_back(std::string("BLN") + c);
    }
    for (char c = 'A'; c <= 'Z'; ++c) {
        codes.push_back(std::string("BLN") + c);
    }
    return codes;
}

std::vector<std::string>
ownBulletinBoardRows(const std::function<std::string(const std::string&)>& getMyMessageForBLN) {
    std::vector<std::string> rows;
    for (const std::string& code : boardCodes()) {
        std::string text = getMyMessageForBLN(code);
        if (text.empty()) {
            text = kEnterTextHere;
        }
        rows.push_back((code.size() == 3 ? code + " >" : code + ">") + '\t' + text);
    }
    return rows;
}

BoardSelection boardSelection(std::string_view row) {
    BoardSelection selection;
    selection.toStation = std::string(row.substr(0, row.find('>')));
    const auto tab = row.find('\t');
    if (tab != std::string_view::npos) {
        const std::string_view text = row.substr(tab + 1);
        selection.message = text == kEnterTextHere ? std::string() : std::string(text);
    }
    return selection;
}

bool updateFieldsFromRow(std::string_view row, UpdateFields& fields) {
    // The third column lies between the second and the third tab.
    std::size_t start = 0;
    for (int tabs = 0; tabs < 2; ++tabs) {
        const auto tab = row.find('\t', start);
        if (tab == std::string_view::npos) {
            return false;
        }
        start = tab + 1;
    }
    const std::string_view column = row.substr(start, row.find('\t', start) - start);
    const auto mark = column.find('>');
    if (mark == std::string_view::npos) {
        return false;
    }
    fields.toStation = std::string(column.substr(0, mark));
    fields.message = std::string(column.substr(std::min(mark + 2, column.size())));
    return true;
}

} // namespace quillet
