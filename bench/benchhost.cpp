// The real program path under load: the main window (run it with
// QT_QPA_PLATFORM=offscreen), started through the program's own start-up
// in a program folder prepared for echo mode, with reception switched on
// by a click on its button. Controlled by signals (see ControlSignals.h).
//
// usage: udprecv_benchhost <program folder> <port> [max seconds] [--capture]
// --capture: the settings file sets Capture=1.
// Writes <folder>/bench.ready ("<port> <receive buffer>") once reception is
// on, and <folder>/bench.stats on SIGUSR2, with the event loop's trace
// (LoopTrace.h).

#include "ControlSignals.h"
#include "HostProbe.h"
#include "LoopTrace.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "core/MessageBoxService.h"
#include "reception/UdpSocket.h"
#include "runtime/ProgramServices.h"
#include "ui/Forms.h"
#include "ui/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QSaveFile>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>

namespace {

// Answers every box with OK and shows its text on stderr.
class StderrMessageBoxes final : public MessageBoxService {
public:
    MsgBoxResult MsgBox(const QString &text, MsgBoxStyles, const QString &) override
    {
        std::fprintf(stderr, "message box: %s\n", text.toLocal8Bit().constData());
        return MsgBoxResult::Ok;
    }
};

bool WriteText(const QString &path, const QByteArray &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text);
    return file.commit();
}

// The settings file for echo mode on `port`, and the file the
// single-instance guard locks.
bool PrepareProgramFolder(const QString &folder, int port, bool capture)
{
    if (!QDir().mkpath(folder + QStringLiteral("/Config")))
        return false;
    const QByteArray settings = "[Port]\r\nUdpPort=" + QByteArray::number(port) +
                                "\r\n\r\n[Maintenance]\r\nResSetting=1\r\nLogMaxSize=3\r\nLogGenerations=10\r\n" +
                                (capture ? "Capture=1\r\n" : "");
    return WriteText(folder + QStringLiteral("/Config/Tavo_UdpRecvSetting.ini"), settings) &&
           WriteText(folder + QStringLiteral("/Tavo_UdpRecv"), {});
}

int Fail(const char *what)
{
    std::fprintf(stderr, "udprecv_benchhost: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool capture = argc > 3 && std::strcmp(argv[argc - 1], "--capture") == 0;
    const int positional = capture ? argc - 1 : argc;
    if (positional < 3 || positional > 4) {
        std::fprintf(stderr, "usage: %s <program folder> <port> [max seconds] [--capture]\n", argv[0]);
        return 2;
    }
    // Never outlive the driver that started this host.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int port = std::atoi(argv[2]);
    const int maxSeconds = positional > 3 ? std::atoi(argv[3]) : 3600;
    if (port <= 0 || port > 65535 || maxSeconds <= 0 || maxSeconds > 86400)
        return Fail("bad port or time limit");
    if (!ControlSignals::Install())
        return Fail("cannot install the signal handlers");

    LoopTrace trace;
    TracedApplication app(argc, argv, trace);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!PrepareProgramFolder(folder, port, capture))
        return Fail("cannot prepare the program folder");

    StderrMessageBoxes boxes;
    ProgramServices program(boxes);
    program.runtime.programFolder = folder;
    SingleInstance instance;
    Forms forms(program.services);
    if (Main(program.services, forms, instance) != StartupOutcome::WindowShown || !forms.ExistingMainForm() ||
        !forms.ExistingMainForm()->isVisible())
        return Fail("the main window did not come up");

    frmMain &window = *forms.ExistingMainForm();
    auto *button = window.findChild<QAbstractButton *>(QStringLiteral("cmdRecvData"));
    auto *clockTimer = window.findChild<QTimer *>(QStringLiteral("tmrNowDateTime"));
    auto *socket = window.findChild<UdpSocket *>(QStringLiteral("wscRecv"));
    if (!button || !clockTimer || !socket)
        return Fail("the main window lacks cmdRecvData, tmrNowDateTime or wscRecv");
    if (window.SelectedResponse() != ResponseOption::RcvData)
        return Fail("echo mode is not selected");

    trace.watch(socket);
    HostProbe probe(*button, *clockTimer, *socket, trace, folder + QStringLiteral("/bench.stats"));
    button->click();
    if (socket->State() != UdpSocket::Bound)
        return Fail("reception did not start");

    ControlSignals control({[&] { probe.ResetTickGap(); }, [&] { probe.WriteStats(); },
                            [&](int64_t arrivalNs) { probe.MeasureClicks(arrivalNs); }, [&] { forms.EndProgram(); }});
    QTimer::singleShot(maxSeconds * 1000, &app, [&] { forms.EndProgram(); });
    if (!WriteText(folder + QStringLiteral("/bench.ready"), QByteArray::number(socket->BoundPort()) + ' ' +
                                                                QByteArray::number(socket->ReceiveBufferSize()) + '\n'))
        return Fail("cannot write the ready file");
    return QApplication::exec();
}
