#include "reception/ReplySource.h"

#include <QTest>

#include <arpa/inet.h>

using namespace Qt::StringLiterals;

namespace {

in_addr v4(const char *text)
{
    in_addr address {};
    ::inet_pton(AF_INET, text, &address);
    return address;
}

in6_addr v6(const char *text)
{
    in6_addr address {};
    ::inet_pton(AF_INET6, text, &address);
    return address;
}

Arrival arrivalV4(const char *destination, const char *local, unsigned int interfaceIndex = 2)
{
    Arrival arrival;
    arrival.family = Arrival::Family::V4;
    arrival.v4Destination = v4(destination);
    arrival.v4Local = v4(local);
    arrival.interfaceIndex = interfaceIndex;
    return arrival;
}

Arrival arrivalV6(const char *destination, unsigned int interfaceIndex)
{
    Arrival arrival;
    arrival.family = Arrival::Family::V6;
    arrival.v6Destination = v6(destination);
    arrival.interfaceIndex = interfaceIndex;
    return arrival;
}

// "system", or "<address> if <index>".
QString describe(const ReplySource &source)
{
    char text[INET6_ADDRSTRLEN] = {};
    switch (source.family) {
    case ReplySource::Family::SystemChooses:
        return u"system"_s;
    case ReplySource::Family::V4:
        ::inet_ntop(AF_INET, &source.v4, text, sizeof text);
        break;
    case ReplySource::Family::V6:
        ::inet_ntop(AF_INET6, &source.v6, text, sizeof text);
        break;
    }
    return u"%1 if %2"_s.arg(QLatin1StringView(text)).arg(source.interfaceIndex);
}

} // namespace

Q_DECLARE_METATYPE(Arrival)

class TestReplySource : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replyLeavesFromTheAddressSentTo_data()
    {
        QTest::addColumn<Arrival>("arrival");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing known") << Arrival {} << u"system"_s;
        QTest::newRow("IPv4 unicast") << arrivalV4("192.0.2.7", "192.0.2.7") << u"192.0.2.7 if 0"_s;
        QTest::newRow("IPv4 unicast, no local address told") << arrivalV4("192.0.2.7", "0.0.0.0") << u"192.0.2.7 if 0"_s;
        QTest::newRow("IPv4 subnet broadcast")
            << arrivalV4("192.0.2.255", "192.0.2.7") << u"192.0.2.7 if 0"_s;
        QTest::newRow("IPv4 limited broadcast")
            << arrivalV4("255.255.255.255", "192.0.2.7") << u"192.0.2.7 if 0"_s;
        QTest::newRow("IPv4 multicast") << arrivalV4("239.1.2.3", "192.0.2.7") << u"192.0.2.7 if 0"_s;
        QTest::newRow("IPv4 multicast, no local address told") << arrivalV4("239.1.2.3", "0.0.0.0") << u"system"_s;
        QTest::newRow("IPv4 limited broadcast, no local address told")
            << arrivalV4("255.255.255.255", "0.0.0.0") << u"system"_s;
        QTest::newRow("IPv6 global") << arrivalV6("2001:db8::7", 3) << u"2001:db8::7 if 0"_s;
        QTest::newRow("IPv6 loopback") << arrivalV6("::1", 1) << u"::1 if 0"_s;
        QTest::newRow("IPv6 link-local keeps its interface") << arrivalV6("fe80::7", 3) << u"fe80::7 if 3"_s;
        QTest::newRow("IPv6 multicast: the interface's own address") << arrivalV6("ff02::1", 3) << u":: if 3"_s;
        QTest::newRow("IPv6 multicast, no interface told") << arrivalV6("ff02::1", 0) << u"system"_s;
        QTest::newRow("IPv6 unspecified") << arrivalV6("::", 3) << u"system"_s;
    }
    void replyLeavesFromTheAddressSentTo()
    {
        QFETCH(Arrival, arrival);
        QFETCH(QString, expected);
        QCOMPARE(describe(replySourceFor(arrival)), expected);
    }
};

QTEST_GUILESS_MAIN(TestReplySource)
#include "tst_replysource.moc"
