// libFuzzer target: any settings file, then one rewrite of one key with any value. The
// rewritten file must load back to the value written (a switch on only for "TRUE", the
// interval as its text reads), and every line that did not hold the
// key must come out unchanged and in its order.
#include "base/windows1252.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            out.emplace_back(text.substr(start));
            break;
        }
        out.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

const fs::path& workDir() {
    static const fs::path dir = [] {
        std::string pattern = (fs::temp_directory_path() / "quillet_fuzz_XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr);
        return fs::path(pattern);
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillet;
    if (size < 2) {
        return 0;
    }
    struct KeyField {
        std::string_view key;
        bool (*holds)(const Settings&, const std::string& text);
    };
    static const KeyField keys[] = {
        {kFtpHostKey, [](const Settings& s, const std::string& t) { return s.ftpHost == t; }},
        {kFtpUserNameKey,
         [](const Settings& s, const std::string& t) { return s.ftpUserName == t; }},
        {kFtpPasswordKey,
         [](const Settings& s, const std::string& t) { return s.ftpPassword == t; }},
        {kFtpEnabledKey,
         [](const Settings& s, const std::string& t) { return s.ftpEnabled == (t == "TRUE"); }},
        {kFtpDirectoryKey,
         [](const Settings& s, const std::string& t) { return s.ftpDirectory == t; }},
        {kWebpageUpdateEveryKey,
         [](const Settings& s, const std::string& t) {
             return s.webpageUpdateMinutes == updateMinutesFromText(t);
         }},
        {kAutoCopyEnabledKey,
         [](const Settings& s, const std::string& t) {
             return s.autoCopyEnabled == (t == "TRUE");
         }},
        {kCopyToDirectoryKey,
         [](const Settings& s, const std::string& t) { return s.copyToDirectory == t; }},
        {kHtmlFileNameKey,
         [](const Settings& s, const std::string& t) { return s.htmlFileName == t; }},
    };
    const KeyField& target = keys[data[0] % std::size(keys)];
    const bool upCase = data[1] & 1;
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const auto cut = rest.find('\0');
    const std::string value(rest.substr(0, cut));
    const std::string file(cut == std::string_view::npos ? std::string_view()
                                                         : rest.substr(cut + 1));

    const fs::path& dir = workDir();
    {
        std::ofstream out(dir / "quillet.ini", std::ios::binary | std::ios::trunc);
        out << file;
    }
    const Scrambler scrambler;
    Settings settings = settingDefaults();
    const auto error = changeConfig(dir, target.key, value, upCase, scrambler, settings);
    if (value.find_first_of("\r\n") != std::string::npos) {
        check(!error.ok()); // refused, file untouched
        return 0;
    }
    check(error.ok());

    // The value as it must load back: commas survive as bars and come back as commas.
    std::string expected = value;
    std::replace(expected.begin(), expected.end(), ',', '|');
    if (upCase) {
        expected = toUpperWindows1252(expected);
    }
    std::replace(expected.begin(), expected.end(), '|', ',');
    if (target.key == kFtpPasswordKey) {
        expected = scrambler.decrypt(expected);
    }
    check(target.holds(settings, expected));

    std::ifstream in(dir / "quillet.ini", std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<std::string> after = lines(written);
    std::size_t next = 0;
    for (const std::string& line : lines(file)) {
        if (line.find(target.key) != std::string::npos) {
            continue;
        }
        while (next < after.size() && after[next] != line) {
            ++next;
        }
        check(next < after.size()); // kept, in its order
        ++next;
    }
    return 0;
}
