#include "app/locale_date_time_formatter.h"
#include "base/qt_text.h"

#include <QtTest>

using namespace quillet;

class LocaleFormatterTest : public QObject {
    Q_OBJECT

private slots:
    // The locale's short date, a blank and the time with seconds, never a time zone; a time
    // in a daylight-saving gap is written as it stands.
    void shortDateBlankAndTimeWithSecondsWithoutZone() {
        const std::pair<const char*, const char*> locales[] = {
            {"de_DE", "21:05:09"}, {"en_GB", "21:05:09"}, {"en_US", "9:05:09"}};
        for (const auto& [name, timeOfDay] : locales) {
            const QLocale locale{QString::fromLatin1(name)};
            const QString text = fromWindows1252(
                LocaleDateTimeFormatter(locale).format(makeLocalDateTime(2026, 3, 29, 21, 5, 9)));
            const QString date = locale.toString(QDate(2026, 3, 29), QLocale::ShortFormat);
            QVERIFY2(text.startsWith(date + QLatin1Char(' ')), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String(timeOfDay)), qPrintable(text));
            QVERIFY2(!text.contains(QStringLiteral("UTC")) && !text.contains(QStringLiteral("CE")),
                     qPrintable(text));
        }
        const LocaleDateTimeFormatter german(QLocale(QStringLiteral("de_DE")));
        QVERIFY(fromWindows1252(german.format(makeLocalDateTime(2026, 3, 29, 2, 30, 0)))
                    .contains(QStringLiteral("02:30:00")));
        QCOMPARE(withoutTimeZone(QStringLiteral("h:mm:ss AP tttt")), QStringLiteral("h:mm:ss AP"));
        QCOMPARE(withoutTimeZone(QStringLiteral("H 'h' mm 'et' ss")),
                 QStringLiteral("H 'h' mm 'et' ss"));
    }
};

QTEST_MAIN(LocaleFormatterTest)
#include "locale_formatter_test.moc"
