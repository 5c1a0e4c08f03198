#include "locale_date_time_formatter.h"

#include "base/qt_text.h"

#include <QDate>
#include <QTime>

namespace quillet {

LocaleDateTimeFormatter::LocaleDateTimeFormatter(const QLocale& locale)
    : m_locale(locale), m_dateFormat(locale.dateFormat(QLocale::ShortFormat)),
      // the long time format is the one that carries seconds
      m_timeFormat(withoutTimeZone(locale.timeFormat(QLocale::LongFormat))) {}

std::string LocaleDateTimeFormatter::format(LocalDateTime t) const {
    using namespace std::chrono;
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss time{t - day};
    // Formatted from the fields alone: no time-zone conversion, so no shift and no
    // invalid times inside a daylight-saving gap.
    const QDate date(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                     static_cast<int>(unsigned(ymd.day())));
    const QTime clock(static_cast<int>(time.hours().count()),
                      static_cast<int>(time.minutes().count()),
                      static_cast<int>(time.seconds().count()));
    return toWindows1252(m_locale.toString(date, m_dateFormat) + QLatin1Char(' ') +
                         m_locale.toString(clock, m_timeFormat));
}

QString withoutTimeZone(const QString& timeFormat) {
    QString out;
    bool quoted = false;
    for (const QChar c : timeFormat) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (!quoted && c == QLatin1Char('t')) {
            continue;
        }
        out += c;
    }
    return out.simplified();
}

} // namespace quillet
