#include "Report.h"
#include "TimeHistogram.h"

#include <QTest>

#include <sstream>

using namespace Qt::StringLiterals;

namespace {

using K = Target::Kind;
using OptionalValue = std::optional<double>;

// The table row of `label` for `size`, empty when there is none.
std::string rowOf(const std::string &table, int size, const std::string &label)
{
    std::istringstream lines(table);
    const std::string sizeField = std::to_string(size);
    for (std::string line; std::getline(lines, line);)
        if (line.find(label) != std::string::npos && line.find(sizeField + "  ") == line.find_first_not_of(' '))
            return line;
    return {};
}

struct Entry {
    int size;
    Figure figure;
    Server server;
    double value;
};

Results resultsOf(std::initializer_list<Entry> entries)
{
    Results results;
    for (const Entry &e : entries)
        results.add(e.size, e.figure, e.server, e.value);
    return results;
}

std::vector<std::string> fields(const std::string &row, const std::string &label)
{
    std::istringstream rest(row.substr(row.find(label) + label.size()));
    std::vector<std::string> fields;
    for (std::string field; rest >> field;)
        fields.push_back(field);
    return fields;
}

} // namespace

Q_DECLARE_METATYPE(Target)
Q_DECLARE_METATYPE(OptionalValue)
Q_DECLARE_METATYPE(Verdict)

class tst_BenchReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void median_data();
    void median();
    void judge_data();
    void judge();
    void targetText_data();
    void targetText();
    void resultsKeepSizesAndServersApart();
    void tableShowsMediansRatioAndVerdicts();
    void yardsticksShowTheirOwnMedians();
    void labelsNameThePhaseLengths_data();
    void labelsNameThePhaseLengths();
    void histogramQuantiles_data();
    void histogramQuantiles();
};

// Events in microseconds, each time with how many took it.
using Events = std::vector<std::pair<double, int>>;

// A quantile is the middle of the bucket its event
// falls in: 0.1 us buckets below 1 ms, 10 us buckets to 100 ms, one beyond.
void tst_BenchReport::histogramQuantiles_data()
{
    QTest::addColumn<Events>("events");
    QTest::addColumn<double>("quantile");
    QTest::addColumn<double>("expected");
    QTest::newRow("none") << Events {} << 0.5 << 0.0;
    QTest::newRow("one event") << Events {{5.03, 1}} << 0.5 << 5.05;
    QTest::newRow("median of three") << Events {{900, 1}, {2, 1}, {30, 1}} << 0.5
                                     << 30.05;
    QTest::newRow("p99 of 100: the 99th") << Events {{1, 98}, {2000, 2}} << 0.99 << 2005.0;
    QTest::newRow("p99 of 101: still below") << Events {{1, 100}, {2000, 1}} << 0.99
                                             << 1.05;
    QTest::newRow("edge of the fine buckets") << Events {{999.95, 1}} << 0.5 << 999.95;
    QTest::newRow("past 100 ms: the last bucket") << Events {{250000, 1}} << 0.5
                                                  << 100995.0;
}

void tst_BenchReport::histogramQuantiles()
{
    QFETCH(Events, events);
    QFETCH(double, quantile);
    QFETCH(double, expected);
    TimeHistogram times;
    for (const auto &[us, count] : events)
        for (int i = 0; i < count; ++i)
            times.add(static_cast<int64_t>(us * 1000));
    QCOMPARE(times.quantileUs(quantile), expected);
}

void tst_BenchReport::median_data()
{
    QTest::addColumn<std::vector<double>>("values");
    QTest::addColumn<OptionalValue>("expected");
    QTest::newRow("none") << std::vector<double> {} << OptionalValue {};
    QTest::newRow("one") << std::vector<double> {7} << OptionalValue {7};
    QTest::newRow("odd, unsorted") << std::vector<double> {9, 1, 5} << OptionalValue {5};
    QTest::newRow("even: mean of the middle two") << std::vector<double> {4, 1, 3, 10} << OptionalValue {3.5};
}

void tst_BenchReport::median()
{
    QFETCH(std::vector<double>, values);
    QFETCH(OptionalValue, expected);
    QCOMPARE(::median(values), expected);
}

void tst_BenchReport::judge_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<int>("size");
    QTest::addColumn<OptionalValue>("tool");
    QTest::addColumn<OptionalValue>("reference");
    QTest::addColumn<Verdict>("expected");

    const Target atLeast {K::RatioAtLeast, 0.9, true};
    QTest::newRow("ratio at least: met") << atLeast << 64 << OptionalValue {45} << OptionalValue {50} << Verdict::Pass;
    QTest::newRow("ratio at least: short")
        << atLeast << 64 << OptionalValue {44} << OptionalValue {50} << Verdict::Fail;
    QTest::newRow("ratio at least: other size")
        << atLeast << 1400 << OptionalValue {1} << OptionalValue {50} << Verdict::None;
    QTest::newRow("ratio: no reference") << atLeast << 64 << OptionalValue {45} << OptionalValue {} << Verdict::Missing;
    QTest::newRow("ratio: zero reference")
        << atLeast << 64 << OptionalValue {45} << OptionalValue {0} << Verdict::Missing;

    const Target atMostRatio {K::RatioAtMost, 1.15, true};
    QTest::newRow("ratio at most: met") << atMostRatio << 64 << OptionalValue {11.5} << OptionalValue {10}
                                        << Verdict::Pass;
    QTest::newRow("ratio at most: over") << atMostRatio << 64 << OptionalValue {11.6} << OptionalValue {10}
                                         << Verdict::Fail;

    const Target below {K::Below, 700, false};
    QTest::newRow("below: under") << below << 3000 << OptionalValue {699.9} << OptionalValue {} << Verdict::Pass;
    QTest::newRow("below: at the limit") << below << 3000 << OptionalValue {700} << OptionalValue {} << Verdict::Fail;
    QTest::newRow("below: not measured") << below << 64 << OptionalValue {} << OptionalValue {} << Verdict::Missing;

    const Target noLoss {K::AtMost, 0, true};
    QTest::newRow("no loss: none") << noLoss << 64 << OptionalValue {0} << OptionalValue {} << Verdict::Pass;
    QTest::newRow("no loss: some") << noLoss << 64 << OptionalValue {0.01} << OptionalValue {} << Verdict::Fail;

    QTest::newRow("no target") << Target {} << 64 << OptionalValue {1} << OptionalValue {1} << Verdict::None;
}

void tst_BenchReport::judge()
{
    QFETCH(Target, target);
    QFETCH(int, size);
    QFETCH(OptionalValue, tool);
    QFETCH(OptionalValue, reference);
    QFETCH(Verdict, expected);
    QCOMPARE(::judge(target, size, tool, reference), expected);
}

void tst_BenchReport::targetText_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ratio at least") << Target {K::RatioAtLeast, 0.9, true} << 64 << QStringLiteral(">= 0.90x ref");
    QTest::newRow("ratio at most") << Target {K::RatioAtMost, 1.15, true} << 64 << QStringLiteral("<= 1.15x ref");
    QTest::newRow("ratio of another figure")
        << Target {K::RatioAtMost, 1.5, true, "qt"} << 64 << QStringLiteral("<= 1.50x qt");
    QTest::newRow("64 bytes only, other size") << Target {K::RatioAtMost, 1.15, true} << 3000 << QStringLiteral("-");
    QTest::newRow("below") << Target {K::Below, 700, false} << 1400 << QStringLiteral("< 700");
    QTest::newRow("at most") << Target {K::AtMost, 0, true} << 64 << QStringLiteral("<= 0");
    QTest::newRow("none") << Target {} << 64 << QStringLiteral("-");
}

void tst_BenchReport::targetText()
{
    QFETCH(Target, target);
    QFETCH(int, size);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(::targetText(target, size)), expected);
}

void tst_BenchReport::resultsKeepSizesAndServersApart()
{
    Results results;
    results.add(64, Figure::FloodRate, Server::Tool, 10);
    results.add(64, Figure::FloodRate, Server::Tool, 30);
    results.add(64, Figure::FloodRate, Server::Tool, 20);
    results.add(64, Figure::FloodRate, Server::Reference, 99);
    results.add(1400, Figure::FloodRate, Server::Tool, 5);
    QCOMPARE(results.median(64, Figure::FloodRate, Server::Tool), OptionalValue {20});
    QCOMPARE(results.median(64, Figure::FloodRate, Server::Reference), OptionalValue {99});
    QCOMPARE(results.median(1400, Figure::FloodRate, Server::Tool), OptionalValue {5});
    QCOMPARE(results.median(64, Figure::FloodLoss, Server::Tool), OptionalValue {});
}

void tst_BenchReport::tableShowsMediansRatioAndVerdicts()
{
    using enum Figure;
    const Results results = resultsOf({
        {64, FloodRate, Server::Tool, 40000},
        {64, FloodRate, Server::Tool, 46000},
        {64, FloodRate, Server::Tool, 45000},
        {64, FloodRate, Server::Reference, 50000},
        {64, FloodLoss, Server::Tool, 60},
        {64, FloodLoss, Server::Reference, 30},
        {64, TickGap, Server::Tool, 812},
        {1400, FloodRate, Server::Tool, 1000},
        {1400, FloodRate, Server::Reference, 2000},
        {64, CaptureFloodRate, Server::Tool, 40000},
        {64, CaptureOffFloodRate, Server::Tool, 44000},
        {64, RttP99QtLoop, Server::Tool, 150},
        {64, RttP99, Server::QtReference, 100},
        {64, RttP99, Server::Reference, 90},
    });
    const std::string table = formatTable(results, {64, 1400}, PhaseSettings {});

    const std::string floodLabel = "flood echo rate (/s)";
    QCOMPARE(fields(rowOf(table, 64, floodLabel), floodLabel),
             (std::vector<std::string> {"45000", "50000", "0.90", ">=", "0.90x", "ref", "PASS"}));
    QCOMPARE(fields(rowOf(table, 1400, floodLabel), floodLabel),
             (std::vector<std::string> {"1000", "2000", "0.50", "-"}));

    const std::string lossLabel = "flood loss (%)";
    QCOMPARE(fields(rowOf(table, 64, lossLabel), lossLabel), (std::vector<std::string> {"60.00", "30.00", "-", "-"}));

    const std::string gapLabel = "largest clock-tick gap, 10 s flood (ms)";
    QCOMPARE(fields(rowOf(table, 64, gapLabel), gapLabel),
             (std::vector<std::string> {"812", "-", "-", "<", "700", "FAIL"}));
    // Rows judged against another figure show it in the reference column:
    // the capture's, the figure of the host without capture beside it, not
    // the flood of the main phases.
    const std::string captureLabel = "flood echo rate, Capture=1 (/s)";
    QCOMPARE(fields(rowOf(table, 64, captureLabel), captureLabel),
             (std::vector<std::string> {"40000", "44000", "0.91", ">=", "0.90x", "off", "PASS"}));
    const std::string qtLabel = "RTT p99 at 1,000/s, against Qt's loop (us)";
    QCOMPARE(fields(rowOf(table, 64, qtLabel), qtLabel),
             (std::vector<std::string> {"150.0", "100.0", "1.50", "<=", "1.50x", "qt", "PASS"}));
    const std::string stopLabel = "stop click under flood takes effect (ms)";
    QCOMPARE(fields(rowOf(table, 1400, stopLabel), stopLabel),
             (std::vector<std::string> {"-", "-", "-", "<", "200", "n/a"}));
}

void tst_BenchReport::yardsticksShowTheirOwnMedians()
{
    using enum Figure;
    Results results = resultsOf({
        {64, RttP50, Server::Tool, 70},
        {64, RttP50, Server::Reference, 65},
        {64, CpuPerDatagram, Server::Reference, 20},
    });
    QCOMPARE(formatYardsticks(results, {64}), std::string {});

    for (const Entry &e : std::initializer_list<Entry> {
             {64, RttP50, Server::BareEcho, 52},
             {64, RttP50, Server::BareEcho, 48.25},
             {64, RttP50, Server::BareEcho, 50},
             {64, RttP99, Server::BareEcho, 120},
             {64, RttP50, Server::QtReference, 66},
             {64, RttP99, Server::QtReference, 150},
             {64, CpuPerDatagram, Server::QtReference, 23},
             {3000, RttP50, Server::BareEcho, 61},
             {3000, CpuPerDatagram, Server::QtReference, 30},
         })
        results.add(e.size, e.figure, e.server, e.value);
    QCOMPARE(
        formatYardsticks(results, {64, 1400, 3000}),
        std::string {"   64  reference's work on Qt's event loop (QApplication, QSocketNotifier): RTT p50 66.0 us, "
                     "p99 150.0 us, CPU per datagram 23.00 us (1.15x reference)\n"
                     "   64  bare echo, receive and send back only (the machine's floor): RTT p50 50.0 us, p99 "
                     "120.0 us\n"
                     " 3000  reference's work on Qt's event loop (QApplication, QSocketNotifier): RTT p50 - us, "
                     "p99 - us, CPU per datagram 30.00 us\n"
                     " 3000  bare echo, receive and send back only (the machine's floor): RTT p50 61.0 us, p99 - "
                     "us\n"});
    // The table itself shows the tool and the reference only.
    const std::string table = formatTable(results, {64}, PhaseSettings {});
    QCOMPARE(fields(rowOf(table, 64, "RTT p50"), "(us)").at(1), std::string {"65.0"});
    QCOMPARE(fields(rowOf(table, 64, "CPU per datagram"), "(us)").at(0), std::string {"-"});
}

void tst_BenchReport::labelsNameThePhaseLengths_data()
{
    QTest::addColumn<bool>("quick");
    QTest::addColumn<QStringList>("labels");
    // The full run's labels are quoted elsewhere: they stay as they are.
    QTest::newRow("full") << false << QStringList {u"highest loss-free rate, 2 s burst (/s)"_s,
                                                   u"loss of 10,000 as fast as possible (%)"_s,
                                                   u"largest clock-tick gap, 10 s flood (ms)"_s,
                                                   u"RSS after 10,000 warm-up datagrams (KiB)"_s,
                                                   u"RSS after 1,000,000 datagrams (KiB)"_s,
                                                   u"RSS growth over 1,000,000 (KiB)"_s,
                                                   u"loss of the 1,000,000, paced (%)"_s};
    QTest::newRow("quick") << true
                           << QStringList {u"highest loss-free rate, 0.2 s burst (/s)"_s,
                                           u"loss of 1,000 as fast as possible (%)"_s,
                                           u"largest clock-tick gap, 1.6 s flood (ms)"_s,
                                           u"RSS after 500 warm-up datagrams (KiB)"_s,
                                           u"RSS after 2,000 datagrams (KiB)"_s,
                                           u"RSS growth over 2,000 (KiB)"_s,
                                           u"loss of the 2,000, paced (%)"_s};
}

void tst_BenchReport::labelsNameThePhaseLengths()
{
    QFETCH(bool, quick);
    QFETCH(QStringList, labels);
    using enum Figure;
    const std::vector<FigureRow> rows = figureRows(quick ? PhaseSettings::quick() : PhaseSettings {});
    QStringList named;
    for (const FigureRow &row : rows)
        for (const Figure figure : {LossFreeRate, BurstLoss, TickGap, RssBefore, RssAfter, RssGrowth, PacedLoss})
            if (row.figure == figure)
                named << QString::fromStdString(row.label);
    QCOMPARE(named, labels);
    // Every row still fits the table's figure column.
    for (const FigureRow &row : rows)
        QVERIFY2(row.label.size() <= 47, row.label.c_str());
}

QTEST_APPLESS_MAIN(tst_BenchReport)
#include "tst_benchreport.moc"
