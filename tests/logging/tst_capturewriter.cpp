#include "PcapReader.h"
#include "TestSupport.h"
#include "logging/CaptureWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// What happens to the capture file between two flushes.
enum class Change { None, Rotated, Moved, Deleted, ReplacedByLink, ReplacedByFifo };

// A record of unknown ends, written at once.
void add(CaptureWriter &writer, const QByteArray &payload)
{
    writer.add(nullptr, nullptr, std::string_view(payload.constData(), size_t(payload.size())));
    writer.flush();
}

// The payloads of a whole capture file; a fault is one payload "fault".
QByteArrayList payloadsOf(const QString &path)
{
    const CaptureFile file = pcapreader::read(testsupport::readFile(path));
    QByteArrayList payloads;
    for (const CapturedDatagram &d : file.datagrams)
        payloads << d.payload;
    return file.fault.isEmpty() ? payloads : QByteArrayList {"fault"};
}

// How many of this process's descriptors are open on `path`.
int descriptorsOn(const QString &path)
{
    int count = 0;
    const auto all = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo &fd : QDir(u"/proc/self/fd"_s).entryInfoList(all))
        count += fd.symLinkTarget() == path ? 1 : 0;
    return count;
}

QByteArrayList bigRecords()
{
    QByteArrayList records;
    for (int i = 0; i < 17; ++i) // more than 1 MiB
        records << testsupport::pattern(65000, i);
    return records;
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestCaptureWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reopensWhenTheNameNamesAnotherFile_data();
    void reopensWhenTheNameNamesAnotherFile();
};

void TestCaptureWriter::reopensWhenTheNameNamesAnotherFile_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QByteArrayList>("atName"); // null: the name is no regular file
    QTest::addColumn<QString>("away");          // where the first records went
    QTest::addColumn<QByteArrayList>("awayRecords");
    QTest::addColumn<bool>("failing");

    const QByteArray first = "first", second = "second";
    QTest::newRow("unchanged: both in one file")
        << Change::None << QByteArrayList {first, second} << QString() << QByteArrayList {} << false;
    QTest::newRow("rotated") << Change::Rotated << QByteArrayList {second} << u"cap.pcap.1"_s
                             << (QByteArrayList {first} + bigRecords()) << false;
    QTest::newRow("moved") << Change::Moved << QByteArrayList {second} << u"moved.pcap"_s << QByteArrayList {first}
                           << false;
    QTest::newRow("deleted") << Change::Deleted << QByteArrayList {second} << QString() << QByteArrayList {} << false;
    QTest::newRow("replaced by a link: not followed")
        << Change::ReplacedByLink << QByteArrayList {} << u"moved.pcap"_s << QByteArrayList {first} << true;
    QTest::newRow("replaced by a FIFO with a reader: refused")
        << Change::ReplacedByFifo << QByteArrayList {} << u"moved.pcap"_s << QByteArrayList {first} << true;
}

// The file stays open between records; once its name names another file
// (checked here at every flush), the name is opened again, never through
// a link, never anything but a regular file.
void TestCaptureWriter::reopensWhenTheNameNamesAnotherFile()
{
    QFETCH(Change, change);
    QFETCH(QByteArrayList, atName);
    QFETCH(QString, away);
    QFETCH(QByteArrayList, awayRecords);
    QFETCH(bool, failing);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(u"Log"_s);
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + u"/cap.pcap"_s;
    const QByteArray native = QFile::encodeName(path);
    const QByteArray moved = QFile::encodeName(folder + u"/moved.pcap"_s);

    CaptureWriter writer(std::chrono::milliseconds(0));
    QList<bool> told;
    writer.setFailingChanged([&](bool on) { told << on; });
    writer.setFile(path);
    add(writer, "first");
    QCOMPARE(descriptorsOn(path), 1);

    int reader = -1;
    switch (change) {
    case Change::None:
        break;
    case Change::Rotated: {
        for (const QByteArray &record : bigRecords())
            add(writer, record);
        int16_t maxSize = 1, generations = 3;
        QVERIFY(writer.rotate(maxSize, generations).ok());
        break;
    }
    case Change::Moved:
        QCOMPARE(::rename(native.constData(), moved.constData()), 0);
        break;
    case Change::Deleted:
        QCOMPARE(::unlink(native.constData()), 0);
        break;
    case Change::ReplacedByLink:
        QCOMPARE(::rename(native.constData(), moved.constData()), 0);
        QCOMPARE(::symlink("moved.pcap", native.constData()), 0);
        break;
    case Change::ReplacedByFifo:
        QCOMPARE(::rename(native.constData(), moved.constData()), 0);
        QCOMPARE(::mkfifo(native.constData(), 0666), 0);
        reader = ::open(native.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        break;
    }
    add(writer, "second");

    QCOMPARE(told, failing ? QList<bool> {true} : QList<bool> {});
    struct stat st {};
    QCOMPARE(::lstat(native.constData(), &st), 0);
    if (atName.isEmpty()) {
        QVERIFY(!S_ISREG(st.st_mode));
    } else {
        QVERIFY(S_ISREG(st.st_mode));
        QCOMPARE(payloadsOf(path), atName);
    }
    if (!away.isEmpty())
        QCOMPARE(payloadsOf(folder + u'/' + away), awayRecords);
    if (reader >= 0) {
        char byte = 0;
        QVERIFY(::read(reader, &byte, 1) <= 0); // nothing went into the FIFO
        ::close(reader);
    }
    writer.close();
    QCOMPARE(descriptorsOn(path), 0);
}

QTEST_GUILESS_MAIN(TestCaptureWriter)
#include "tst_capturewriter.moc"
