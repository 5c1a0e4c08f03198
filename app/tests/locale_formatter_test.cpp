#include "app/locale_date_time_formatter.h"
#include "base/qt_text.h"

#include <QtTest>

using namespace quillet;

class LocaleFormatterTest : public QObject {
    Q_OBJECT

private slots:
    void shortDateBlankAndTimeWithSecondsWithoutZone_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("timeOfDay"); // how the locale writes 21:05:09
        QTest::newRow("German") << "de_DE"
                                << "21:05:09";
        QTest::newRow("British") << "en_GB"
                                 << "21:05:09";
        QTest::newRow("American") << "en_US"
                                  << "9:05:09";
    }
    void shortDateBlankAndTimeWithSecondsWithoutZone() {
        QFETCH(QString, locale);
        QFETCH(QString, timeOfDay);
        const QLocale qlocale(locale);
        const LocaleDateTimeFormatter formatter(qlocale);
        const QString text =
            fromWindows1252(formatter.format(makeLocalDateTime(2026, 3, 29, 21, 5, 9)));
        const QString date = qlocale.toString(QDate(2026, 3, 29), QLocale::ShortFormat);
        QVERIFY2(text.startsWith(date + QLatin1Char(' ')), qPrintable(text));
        QVERIFY2(text.contains(timeOfDay), qPrintable(text));
        // no zone name or offset, whatever zone the machine is in
        QVERIFY2(!text.contains(QStringLiteral("UTC")) && !text.contains(QStringLiteral("GMT")) &&
                     !text.contains(QStringLiteral("CE")),
                 qPrintable(text));
        QVERIFY2(!text.endsWith(QLatin1Char(' ')), qPrintable(text));
    }

    void timeZoneFieldsGoButQuotedTextStays() {
        QCOMPARE(withoutTimeZone(QStringLiteral("HH:mm:ss t")), QStringLiteral("HH:mm:ss"));
        QCOMPARE(withoutTimeZone(QStringLiteral("h:mm:ss AP tttt")), QStringLiteral("h:mm:ss AP"));
        QCOMPARE(withoutTimeZone(QStringLiteral("H 'h' mm 'et' ss")),
                 QStringLiteral("H 'h' mm 'et' ss"));
    }

    void midnightAndNewYearAreFormattedFromTheFieldsAsGiven() {
        // a local time in a daylight-saving gap or at midnight is written as it stands
        const LocaleDateTimeFormatter formatter(QLocale(QStringLiteral("de_DE")));
        QVERIFY(fromWindows1252(formatter.format(makeLocalDateTime(2026, 3, 29, 2, 30, 0)))
                    .contains(QStringLiteral("02:30:00")));
        QVERIFY(fromWindows1252(formatter.format(makeLocalDateTime(2027, 1, 1)))
                    .contains(QStringLiteral("00:00:00")));
    }
};

QTEST_MAIN(LocaleFormatterTest)
#include "locale_formatter_test.moc"
