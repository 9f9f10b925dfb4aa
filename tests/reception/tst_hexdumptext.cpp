// The text a hex dump is copied as: offsets, hex slots and characters line
// up as in `hexdump -C`, for whole dumps and for scattered bytes.
#include "reception/HexDumpText.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Offsets = QList<qsizetype>;

class HexDumpTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<Offsets>("offsets");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("lastLine");

        QByteArray counting(2048, '\0');
        for (int i = 0; i < counting.size(); ++i)
            counting[i] = char(i);
        QByteArray letters(32, '\0');
        for (int i = 0; i < letters.size(); ++i)
            letters[i] = char('A' + i);
        const QByteArray seventeen("Hello, world!\n\x00\xff\x41", 17);

        QTest::newRow("no bytes") << QByteArray() << true << Offsets() << 0 << QString() << QString();
        QTest::newRow("17 bytes") << seventeen << true << Offsets() << 2
                                  << u"00000000: 48 65 6c 6c 6f 2c 20 77  6f 72 6c 64 21 0a 00 ff  |Hello, world!...|"_s
                                  << u"00000010: 41"_s + QString(48, u' ') + u"|A|"_s;
        QTest::newRow("2048 bytes")
            << counting << true << Offsets() << 128
            << u"00000000: 00 01 02 03 04 05 06 07  08 09 0a 0b 0c 0d 0e 0f  |................|"_s
            << u"000007f0: f0 f1 f2 f3 f4 f5 f6 f7  f8 f9 fa fb fc fd fe ff  |................|"_s;
        QTest::newRow("scattered bytes keep their offsets")
            << letters << false << Offsets {3, 4, 5, 20, 21} << 2
            << u"00000000:"_s + QString(10, u' ') + u"44 45 46"_s + QString(33, u' ') + u"|   DEF|"_s
            << u"00000010:"_s + QString(13, u' ') + u"55 56"_s + QString(33, u' ') + u"|    UV|"_s;
        QTest::newRow("a run across two lines")
            << letters << false << Offsets {14, 15, 16} << 2
            << u"00000000:"_s + QString(44, u' ') + u"4f 50  |"_s + QString(14, u' ') + u"OP|"_s
            << u"00000010: 51"_s + QString(48, u' ') + u"|Q|"_s;
    }

    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, whole);
        QFETCH(Offsets, offsets);
        QFETCH(int, lineCount);
        QFETCH(QString, firstLine);
        QFETCH(QString, lastLine);

        const QString text = whole ? hexDumpText(bytes) : hexDumpText(bytes, offsets);
        QCOMPARE(text.isEmpty() || text.endsWith(u'\n'), true);
        const QStringList lines = text.isEmpty() ? QStringList() : text.chopped(1).split(u'\n');
        QCOMPARE(lines.size(), lineCount);
        QCOMPARE(lines.value(0), firstLine);
        QCOMPARE(lines.value(lineCount - 1), lastLine);
        for (const QString &line : lines)
            QCOMPARE(line.indexOf(u'|'), 60); // the bars line up
    }
};

QTEST_MAIN(HexDumpTextTest)
#include "tst_hexdumptext.moc"
