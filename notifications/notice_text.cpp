#include "notifications/notice_text.h"

#include "bulletins/text_rules.h"

namespace quillet {

namespace {

std::string fromLine(const Bulletin& b) {
    return b.callsign + " (" + b.addressee + ")";
}

} // namespace

Notice composeNotice(const std::vector<Bulletin>& news) {
    if (news.size() == 1) {
        return {"Bulletin from " + fromLine(news.front()), shownText(news.front().text)};
    }
    Notice notice{std::to_string(news.size()) + " new bulletins", ""};
    for (std::size_t i = 0; i < news.size() && i < kNoticeLines; ++i) {
        if (i > 0) {
            notice.body += '\n';
        }
        notice.body += fromLine(news[i]) + ": " + shownText(news[i].text);
    }
    if (news.size() > kNoticeLines) {
        notice.body += "\nand " + std::to_string(news.size() - kNoticeLines) + " more";
    }
    return notice;
}

std::string escapeNoticeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace quillet
