// A time label is written when the second it shows changes, and only then.
#include "ui/DisplayTimeLabel.h"

#include <QLabel>
#include <QTest>

Q_DECLARE_METATYPE(LocalTime)

class DisplayTimeLabelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writtenWhenTheSecondChanges_data()
    {
        QTest::addColumn<LocalTime>("next");
        QTest::addColumn<QString>("shown");
        const QString untouched = QStringLiteral("untouched");
        QTest::newRow("same time") << LocalTime {2024, 1, 5, 9, 3, 7, 0} << untouched;
        QTest::newRow("same second, later millisecond") << LocalTime {2024, 1, 5, 9, 3, 7, 999} << untouched;
        QTest::newRow("next second") << LocalTime {2024, 1, 5, 9, 3, 8, 0} << QStringLiteral("24/01/05 09:03:08");
        QTest::newRow("same second a minute on")
            << LocalTime {2024, 1, 5, 9, 4, 7, 0} << QStringLiteral("24/01/05 09:04:07");
        QTest::newRow("same second a century on")
            << LocalTime {2124, 1, 5, 9, 3, 7, 0} << QStringLiteral("24/01/05 09:03:07");
    }
    void writtenWhenTheSecondChanges()
    {
        QFETCH(LocalTime, next);
        QFETCH(QString, shown);
        QLabel label;
        DisplayTimeLabel time;
        time.setLabel(&label);
        time.show({2024, 1, 5, 9, 3, 7, 500});
        QCOMPARE(label.text(), QStringLiteral("24/01/05 09:03:07"));
        // Set behind the helper's back: it stays until the helper has a new second to show.
        label.setText(QStringLiteral("untouched"));
        time.show(next);
        QCOMPARE(label.text(), shown);
    }
};

QTEST_MAIN(DisplayTimeLabelTest)
#include "tst_displaytimelabel.moc"
