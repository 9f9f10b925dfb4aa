#include "core/Numeric.h"
#include "core/Result.h"

#include <QTest>

class TestNumeric : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blanks only") << QStringLiteral("   ") << false;
        QTest::newRow("plain") << QStringLiteral("5000") << true;
        QTest::newRow("blanks around") << QStringLiteral("  8000  ") << true;
        QTest::newRow("tab around") << QStringLiteral("\t12\t") << true;
        QTest::newRow("plus sign") << QStringLiteral("+7") << true;
        QTest::newRow("minus sign") << QStringLiteral("-1") << true;
        QTest::newRow("fraction") << QStringLiteral("80.5") << true;
        QTest::newRow("leading point") << QStringLiteral(".5") << true;
        QTest::newRow("trailing point") << QStringLiteral("5.") << true;
        QTest::newRow("exponent") << QStringLiteral("1e3") << true;
        QTest::newRow("exponent sign") << QStringLiteral("25E-1") << true;
        QTest::newRow("letters") << QStringLiteral("abc") << false;
        QTest::newRow("digits then letters") << QStringLiteral("12ab") << false;
        QTest::newRow("point only") << QStringLiteral(".") << false;
        QTest::newRow("sign only") << QStringLiteral("-") << false;
        QTest::newRow("exponent without digits") << QStringLiteral("1e") << false;
        QTest::newRow("inner blank") << QStringLiteral("1 2") << false;
        QTest::newRow("two signs") << QStringLiteral("+-1") << false;
        QTest::newRow("hex prefix") << QStringLiteral("0x10") << false;
        QTest::newRow("grouping") << QStringLiteral("1,000") << false;
        QTest::newRow("full-width digits") << QStringLiteral("５０００") << false;
        QTest::newRow("infinity word") << QStringLiteral("inf") << false;
        QTest::newRow("huge stays numeric") << QStringLiteral("1e999") << true;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(numeric::isNumeric(text), numeric);
    }

    void toInt32_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("plain") << QStringLiteral("5000") << qint64(5000);
        QTest::newRow("half down to even") << QStringLiteral("80.5") << qint64(80);
        QTest::newRow("half up to even") << QStringLiteral("81.5") << qint64(82);
        QTest::newRow("2.5") << QStringLiteral("2.5") << qint64(2);
        QTest::newRow("3.5") << QStringLiteral("3.5") << qint64(4);
        QTest::newRow("negative half") << QStringLiteral("-2.5") << qint64(-2);
        QTest::newRow("below half") << QStringLiteral("7.49") << qint64(7);
        QTest::newRow("exponent") << QStringLiteral("1.5e2") << qint64(150);
        QTest::newRow("max") << QStringLiteral("2147483647") << qint64(2147483647);
        QTest::newRow("min") << QStringLiteral("-2147483648") << qint64(-2147483647 - 1);
        QTest::newRow("tiny") << QStringLiteral("1e-999") << qint64(0);
    }
    void toInt32()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        const Result<int32_t> value = numeric::toInt32(text);
        QVERIFY(value.ok());
        QCOMPARE(qint64(*value), expected);
    }

    void overflowAndMismatch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sixteenBit");
        QTest::addColumn<QString>("description");
        const QString overflow = QStringLiteral("オーバーフローしました。");
        const QString mismatch = QStringLiteral("型が一致しません。");
        QTest::newRow("32-bit above") << QStringLiteral("2147483648") << false << overflow;
        QTest::newRow("32-bit rounds above") << QStringLiteral("2147483647.5") << false << overflow;
        QTest::newRow("32-bit below") << QStringLiteral("-2147483649") << false << overflow;
        QTest::newRow("99999999999") << QStringLiteral("99999999999") << false << overflow;
        QTest::newRow("huge") << QStringLiteral("1e999") << false << overflow;
        QTest::newRow("16-bit above") << QStringLiteral("32768") << true << overflow;
        QTest::newRow("16-bit below") << QStringLiteral("-32769") << true << overflow;
        QTest::newRow("letters") << QStringLiteral("abc") << false << mismatch;
        QTest::newRow("empty") << QString() << true << mismatch;
    }
    void overflowAndMismatch()
    {
        QFETCH(QString, text);
        QFETCH(bool, sixteenBit);
        QFETCH(QString, description);
        const auto failure = [](const auto &result) {
            return result ? QStringLiteral("no error") : result.error().description();
        };
        QCOMPARE(sixteenBit ? failure(numeric::toInt16(text)) : failure(numeric::toInt32(text)), description);
    }

    void toInt16Limits()
    {
        QCOMPARE(*numeric::toInt16(u"32767"), int16_t(32767));
        QCOMPARE(*numeric::toInt16(u"-32768"), int16_t(-32768));
        QCOMPARE(*numeric::toInt16(u" 32767.4 "), int16_t(32767));
    }
};

QTEST_APPLESS_MAIN(TestNumeric)
#include "tst_numeric.moc"
