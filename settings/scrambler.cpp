#include "scrambler.h"

namespace quillet {

void Scrambler::initScrambleOffsets() {
    // Fixed for all time: changing any entry makes every stored password unreadable.
    m_scrambleOffsets = {4, 9, 2, 7, 5, 1, 8, 3, 6, 2, 5};
}

std::string Scrambler::encrypt(std::string_view data) const {
    return shifted(data, -1);
}

std::string Scrambler::decrypt(std::string_view data) const {
    return shifted(data, +1);
}

std::string Scrambler::shifted(std::string_view data, int direction) const {
    std::string result(data);
    std::size_t index = 0;
    for (char& c : result) {
        const int code = static_cast<unsigned char>(c) + direction * m_scrambleOffsets[index];
        c = static_cast<char>(static_cast<unsigned char>(code & 0xFF));
        index = (index + 1) % kOffsetCount;
    }
    return result;
}

} // namespace quillet
