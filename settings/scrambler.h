#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// Keeps the FTP password in the settings file from being read at a glance: each byte is
// shifted by a fixed table of eleven small offsets that repeats along the text.
//
// Passwords already stored can only be read back with the same table, so its values never
// change. Shifts wrap around within 0 to 255, which makes decrypt undo encrypt for every byte,
// including the control characters that only a hand-edited file can hold.
class Scrambler {
public:
    static constexpr std::size_t kOffsetCount = 11;
    using OffsetTable = std::array<std::int16_t, kOffsetCount>;

    // Ready to use at once, so that no caller can scramble with an empty table.
    Scrambler() { initScrambleOffsets(); }

    void initScrambleOffsets();

    // Both return a text of the same length; the n-th byte uses entry (n - 1) modulo 11.
    std::string encrypt(std::string_view data) const; // moves each byte down
    std::string decrypt(std::string_view data) const; // moves each byte up

    const OffsetTable& scrambleOffsets() const { return m_scrambleOffsets; }

private:
    std::string shifted(std::string_view data, int direction) const;

    OffsetTable m_scrambleOffsets{};
};

} // namespace quillet
