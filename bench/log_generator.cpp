#include "log_generator.h"

#include "contract/host_bus.h"

#include <random>

namespace quillet::bench {

std::vector<GeneratedBulletin> generateBulletins(int lines, unsigned seed) {
    static const char* const prefixes[] = {"G4", "DL1", "W1", "PA3", "VK2", "F5", "ON4", "EA7"};
    static const char* const codes = "123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static const char* const groups[] = {"", "", "EU", "NA", "WX", "USA", " WX"};
    static const char* const texts[] = {
        "Net tonight 20:00 local on 144.800, all stations welcome to check in",
        "<UIV32N>Digipeater on the hill is off the air for maintenance until Sunday",
        "Severe weather warning: gusts to 90 km/h expected along the coast after 18:00",
        "Club meeting moved to the library annex, Thursday 19:30, bring your logbooks",
        "Field day setup starts Saturday 08:00, volunteers for the HF station needed"};
    std::mt19937 random(seed);
    std::vector<GeneratedBulletin> out;
    out.reserve(static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; ++i) {
        const unsigned station = random() % 400;
        GeneratedBulletin b;
        b.callsign = std::string(prefixes[station % 8]) + char('A' + station % 26) +
                     char('A' + (station / 26) % 26) + char('A' + (station / 7) % 26);
        b.addressee = std::string("BLN") + codes[random() % 35] + groups[random() % 7];
        b.text = texts[random() % 5];
        b.text += " #" + std::to_string(random() % 3);
        out.push_back(std::move(b));
    }
    return out;
}

std::string toMessageLog(const std::vector<GeneratedBulletin>& bulletins) {
    std::string log;
    for (const auto& b : bulletins) {
        log += b.callsign;
        log += kFieldSeparator;
        log += b.addressee;
        log += kFieldSeparator;
        log += b.text;
        log += "\r\n";
    }
    return log;
}

std::string toFeed(const std::vector<GeneratedBulletin>& bulletins) {
    std::string feed;
    for (const auto& b : bulletins) {
        feed += b.callsign + '|' + b.addressee + '|' + b.text + '\n';
    }
    return feed;
}

} // namespace quillet::bench
