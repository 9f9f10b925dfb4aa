#pragma once

#include "TestSupport.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"
#include "reception/UdpSocket.h"
#include "runtime/Environment.h"
#include "runtime/Services.h"
#include "ui/Forms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A program folder in a temporary directory with the windows' shared
// objects around it; message boxes are answered, the clock is fixed and
// the end of the program is only counted.
struct FormsFixture {
    QTemporaryDir dir;
    Runtime runtime;
    FixedClock clock;
    FakeMessageBoxes boxes;
    LogWriter log {runtime.logging, clock};
    ErrorGuard guard {log, UdpReceiverKind};
    Services services {runtime, boxes, clock, log, guard};
    int endCount = 0;
    std::unique_ptr<Forms> forms;

    FormsFixture()
    {
        runtime.programFolder = dir.path();
        forms = std::make_unique<Forms>(services, [this] { ++endCount; });
    }
    ~FormsFixture()
    {
        forms.reset();
        FlushDeletes();
    }

    bool Init() { return InitEnvironment(runtime, guard, UdpReceiverKind).ok(); }
    QString SettingFile() const { return runtime.SettingFile(); }
    void WriteSettings(const QByteArray &ini) const { testsupport::writeFile(SettingFile(), ini); }
    void WritePort(const QByteArray &port) const
    {
        WriteSettings("[Port]\r\nUdpPort=" + port +
                      "\r\n[Maintenance]\r\nResSetting=0\r\nLogMaxSize=3\r\nLogGenerations=10\r\n");
    }
    QStringList LogMessages() const { return testsupport::logMessages(runtime.LogFile()); }

    // Runs the deletions that windows deferred to the event loop.
    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

// Holds a UDP port for the life of the object.
struct HeldPort {
    UdpSocket socket;
    HeldPort()
    {
        socket.SetLocalPort(0);
        socket.Bind();
    }
    QByteArray Text() const { return QByteArray::number(socket.BoundPort()); }
};

// A port that was free a moment ago.
inline QByteArray FreePort()
{
    HeldPort held;
    return held.Text();
}

// Sends one datagram from an ephemeral port to 127.0.0.1:port.
inline bool SendDatagram(int port, const QByteArray &bytes)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const ssize_t sent = ::sendto(fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0,
                                  reinterpret_cast<const sockaddr *>(&to), sizeof to);
    ::close(fd);
    return sent == bytes.size();
}
