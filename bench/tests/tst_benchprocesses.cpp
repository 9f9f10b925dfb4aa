#include "Processes.h"

#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <stdexcept>
#include <thread>

namespace {

std::vector<std::string> shell(const std::string &script)
{
    return {"/bin/sh", "-c", script};
}

bool alive(pid_t pid)
{
    return ::kill(pid, 0) == 0;
}

// Binds `port` on all addresses of `family`; true when the bind succeeded.
bool canBind(int family, uint16_t port)
{
    const int fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int result = -1;
    if (family == AF_INET6) {
        sockaddr_in6 address {};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(port);
        result = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    } else {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        result = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    ::close(fd);
    return result == 0;
}

} // namespace

class tst_BenchProcesses : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void childGetsOffscreenPlatformAndItsOutputIsKept();
    void stopEndsAChildThatIgnoresTerm();
    void killAllChildrenEndsRegisteredChildren();
    void waitForLine_data();
    void waitForLine();
    void readsUsageOfProcesses();
    void freePortBindsOnBothFamilies();
    void placementPinsTheDriverAndLaterChildren();

private:
    QTemporaryDir m_dir;
};

void tst_BenchProcesses::childGetsOffscreenPlatformAndItsOutputIsKept()
{
    ChildProcess child(shell("echo platform=$QT_QPA_PLATFORM; exec sleep 30"),
                       m_dir.filePath(QStringLiteral("out1")).toStdString());
    const pid_t pid = child.pid();
    QVERIFY(child.running());
    QTRY_VERIFY(child.outputTail().find("platform=offscreen\n") != std::string::npos);
    child.stop();
    QVERIFY(!child.running());
    QVERIFY(!alive(pid));
}

void tst_BenchProcesses::stopEndsAChildThatIgnoresTerm()
{
    ChildProcess child(shell("trap '' TERM; echo ready; while :; do sleep 1; done"),
                       m_dir.filePath(QStringLiteral("out2")).toStdString());
    const pid_t pid = child.pid();
    QTRY_VERIFY(child.outputTail() == "ready\n");
    child.stop();
    QVERIFY(!alive(pid));
}

void tst_BenchProcesses::killAllChildrenEndsRegisteredChildren()
{
    ChildProcess first(shell("exec sleep 30"), m_dir.filePath(QStringLiteral("out3")).toStdString());
    ChildProcess second(shell("exec sleep 30"), m_dir.filePath(QStringLiteral("out4")).toStdString());
    killAllChildren();
    QTRY_VERIFY(!first.running());
    QTRY_VERIFY(!second.running());
}

void tst_BenchProcesses::waitForLine_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("expected"); // empty: throws
    QTest::newRow("line written later") << QStringLiteral("sleep 0.2; printf '42 7\\nrest' > \"$F\"; exec sleep 30")
                                        << 10000 << QStringLiteral("42 7");
    QTest::newRow("line not finished yet")
        << QStringLiteral("printf 'half' > \"$F\"; exec sleep 30") << 300 << QString();
    QTest::newRow("child ends first") << QStringLiteral("echo gone; exit 1") << 10000 << QString();
}

void tst_BenchProcesses::waitForLine()
{
    QFETCH(QString, script);
    QFETCH(int, timeoutMs);
    QFETCH(QString, expected);
    const std::string file = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())).toStdString();
    ChildProcess child(shell("F='" + file + "'; " + script.toStdString()), file + ".out");
    if (expected.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ::waitForLine(file, child, timeoutMs));
    } else {
        QCOMPARE(QString::fromStdString(::waitForLine(file, child, timeoutMs)), expected);
    }
}

void tst_BenchProcesses::readsUsageOfProcesses()
{
    QVERIFY(readRssKiB(::getpid()) > 0);
    const int64_t cpuBefore = readCpuMicroseconds(::getpid());
    QVERIFY(cpuBefore >= 0);
    // Busy until the system has accounted some CPU time, within bounds.
    volatile uint64_t sink = 0;
    for (int round = 0; round < 400 && readCpuMicroseconds(::getpid()) == cpuBefore; ++round)
        for (int i = 0; i < 1000000; ++i)
            sink = sink + static_cast<uint64_t>(i);
    QVERIFY(readCpuMicroseconds(::getpid()) > cpuBefore);

    // Every thread counts, to the microsecond rather than the clock tick.
    std::atomic<bool> finished {false};
    std::atomic<bool> release {false};
    timespec workerCpu {};
    const int64_t beforeWorker = readCpuMicroseconds(::getpid());
    std::thread worker([&] {
        timespec now {};
        volatile uint64_t spin = 0;
        do {
            for (int i = 0; i < 100000; ++i)
                spin = spin + static_cast<uint64_t>(i);
            ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        } while (now.tv_sec == 0 && now.tv_nsec < 30000000);
        workerCpu = now;
        finished = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    while (!finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int64_t withWorker = readCpuMicroseconds(::getpid());
    release = true;
    worker.join();
    QVERIFY(withWorker - beforeWorker >= workerCpu.tv_sec * 1000000 + workerCpu.tv_nsec / 1000);

    ChildProcess child(shell("exit 0"), m_dir.filePath(QStringLiteral("out5")).toStdString());
    const pid_t gone = child.pid();
    QTRY_VERIFY(!child.running());
    QCOMPARE(readRssKiB(gone), -1L);
    QCOMPARE(readCpuMicroseconds(gone), int64_t {-1});
}

void tst_BenchProcesses::freePortBindsOnBothFamilies()
{
    const uint16_t port = freeUdpPort();
    QVERIFY(port != 0);
    QVERIFY(canBind(AF_INET, port));
    QVERIFY(canBind(AF_INET6, port));
}

// Last: it pins this process.
void tst_BenchProcesses::placementPinsTheDriverAndLaterChildren()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    QCOMPARE(::sched_getaffinity(0, sizeof allowed, &allowed), 0);
    if (CPU_COUNT(&allowed) < 2)
        QSKIP("one CPU: nothing to place");
    int first = -1;
    int last = -1;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &allowed)) {
            first = first < 0 ? cpu : first;
            last = cpu;
        }
    const CpuPlacement placement = placeOnCpus();
    QCOMPARE(placement.driver, first);
    QCOMPARE(placement.children, last);
    cpu_set_t now;
    CPU_ZERO(&now);
    QCOMPARE(::sched_getaffinity(0, sizeof now, &now), 0);
    QCOMPARE(CPU_COUNT(&now), 1);
    QVERIFY(CPU_ISSET(first, &now));
    ChildProcess child(shell("grep Cpus_allowed_list /proc/self/status; exec sleep 30"),
                       m_dir.filePath(QStringLiteral("out9")).toStdString());
    const std::string expected = "Cpus_allowed_list:\t" + std::to_string(last) + "\n";
    QTRY_COMPARE(child.outputTail(), expected);
}

QTEST_GUILESS_MAIN(tst_BenchProcesses)
#include "tst_benchprocesses.moc"
