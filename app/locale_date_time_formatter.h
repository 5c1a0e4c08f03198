#pragma once

#include "bulletins/date_time_formatter.h"

#include <QLocale>
#include <QString>

namespace quillet {

// The station's own date-time text: the locale's short date, a blank, and the time with
// seconds, without a time zone.
class LocaleDateTimeFormatter final : public DateTimeFormatter {
public:
    explicit LocaleDateTimeFormatter(const QLocale& locale = QLocale::system());
    std::string format(LocalDateTime t) const override;

private:
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
};

// Removes the time-zone fields ("t", "tttt") from a Qt time format, leaving quoted
// text alone.
QString withoutTimeZone(const QString& timeFormat);

} // namespace quillet
