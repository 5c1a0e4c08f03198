#pragma once

#include "bulletins/bulletin.h"
#include "bulletins/clock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace quillet::testing {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        m_path = fs::temp_directory_path() /
                 ("quillet-publishing-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return m_path; }
    fs::path operator/(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};

inline void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline Bulletin bulletin(std::string callsign, std::string addressee, std::string text,
                         LocalDateTime received = makeLocalDateTime(2026, 12, 6, 9, 5, 0)) {
    Bulletin b;
    b.callsign = std::move(callsign);
    b.addressee = std::move(addressee);
    b.text = std::move(text);
    b.received = received;
    b.inUse = true;
    return b;
}

// Texts that try every way out of a table cell, an attribute and a script string.
inline BulletinTable hostileTable() {
    BulletinTable table{};
    table[0] = bulletin("EVIL1", "BLN1", "<script>document.title='PWNED'</script>");
    table[1] = bulletin("EVIL2\"><img src=x onerror=\"document.body.dataset.pwned=1\">",
                        "BLN2</td><script>document.title='PWNED2'</script>",
                        "<img src=x onerror=\"document.body.dataset.pwned=2\"> & more");
    table[2] = bulletin("X');document.body.dataset.pwned=3;//", "BLN3",
                        "50% off: a \\ backslash, 'quotes' and %27 percent");
    table[3] = bulletin("Q%27)+alert(1)+(%27", "BLN4", "\x80uro \xE9t\xE9");
    return table;
}

} // namespace quillet::testing
