#include "core/Clock.h"
#include "core/Cp932.h"

#include <QDateTime>
#include <QTest>

// Code page 932 conversion and the display time stamp.
class TestTextFormats : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cp932RoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("abc 123") << QByteArray("abc 123");
        QTest::newRow("backslash stays") << QStringLiteral("C:\\Tools") << QByteArray("C:\\Tools");
        QTest::newRow("kana and kanji") << QStringLiteral("受信データ")
                                        << QByteArray("\x8E\xF3\x90\x4D\x83\x66\x81\x5B\x83\x5E");
        QTest::newRow("full-width punctuation") << QStringLiteral("：。") << QByteArray("\x81\x46\x81\x42");
        QTest::newRow("half-width katakana") << QStringLiteral("ｱ") << QByteArray("\xB1");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void cp932RoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(cp932::encode(text), bytes);
        QCOMPARE(cp932::decode(bytes), text);
    }

    void unrepresentableCharactersBecomeQuestionMarks()
    {
        QCOMPARE(cp932::encode(u"a\u00E9b\U0001F600c"), QByteArray("a?b?c"));
    }

    void invalidBytesBecomeReplacementCharacters()
    {
        // A lone trail byte in the middle and a lead byte cut at the end.
        const QString decoded = cp932::decode(QByteArray("A\xFF"
                                                         "B\x82",
                                                         4));
        QCOMPARE(decoded.left(1), QStringLiteral("A"));
        QVERIFY(decoded.contains(QChar(0xFFFD)));
        QVERIFY(decoded.contains(u'B'));
    }

    void displayTime_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("expected");
        QTest::newRow("example") << 2026 << 12 << 6 << 6 << 39 << 27 << QStringLiteral("26/12/06 06:39:27");
        QTest::newRow("midnight") << 2009 << 1 << 1 << 0 << 0 << 0 << QStringLiteral("09/01/01 00:00:00");
        QTest::newRow("late") << 2099 << 10 << 31 << 23 << 59 << 59 << QStringLiteral("99/10/31 23:59:59");
    }
    void displayTime()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(QString, expected);
        QCOMPARE(formatDisplayTime(LocalTime {year, month, day, hour, minute, second, 999}), expected);
    }

    void systemClockFollowsTheCalendar()
    {
        SystemClock clock;
        const LocalTime t = clock.now();
        const QDateTime reference = QDateTime::currentDateTime();
        QVERIFY(t.year >= 2024 && t.month >= 1 && t.month <= 12 && t.millisecond < 1000);
        // Allow a tick at a day boundary between the two readings.
        QVERIFY(qAbs(QDate(t.year, t.month, t.day).daysTo(reference.date())) <= 1);
    }
};

QTEST_APPLESS_MAIN(TestTextFormats)
#include "tst_textformats.moc"
