// The real program path under load: the main window (run it with
// QT_QPA_PLATFORM=offscreen), started through the program's own start-up
// in a program folder prepared for echo mode, with reception switched on
// by a click on its button. Controlled by signals (see ControlSignals.h).
//
// usage: udprecv_benchhost <program folder> <port> [max seconds] [--capture | --custom] [--metrics <port>]
// --capture: the settings file sets Capture=1.
// --custom: ResSetting=2 with ten response rules; the first nine, of every
// kind, do not match the load generator's datagrams, the last one answers
// with the datagram, as an echo (the load generator checks every byte).
// --metrics: the metrics endpoint listens on 127.0.0.1:<port>, as the
// program's --metrics does.
// Writes <folder>/bench.ready ("<port> <receive buffer>") once reception is
// on, and <folder>/bench.stats on SIGUSR2, with the event loop's trace
// (LoopTrace.h).

#include "ControlSignals.h"
#include "HostProbe.h"
#include "LoopTrace.h"
#include "app/MetricsExposition.h"
#include "app/MetricsServer.h"
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
    MsgBoxResult msgBox(const QString &text, MsgBoxStyles, const QString &) override
    {
        std::fprintf(stderr, "message box: %s\n", text.toLocal8Bit().constData());
        return MsgBoxResult::Ok;
    }
};

bool writeText(const QString &path, const QByteArray &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text);
    return file.commit();
}

// The settings file for echo mode on `port`, and the file the
// single-instance guard locks.
bool prepareProgramFolder(const QString &folder, int port, bool capture, bool custom)
{
    if (!QDir().mkpath(folder + QStringLiteral("/Config")))
        return false;
    const QByteArray settings = "[Port]\r\nUdpPort=" + QByteArray::number(port) +
                                "\r\n\r\n[Maintenance]\r\nResSetting=" + (custom ? "2" : "1") +
                                "\r\nLogMaxSize=3\r\nLogGenerations=10\r\n" + (capture ? "Capture=1\r\n" : "");
    const QByteArray rules = "whois prefix=810b contains=1008 -> 810a0015 0100 1000 c4020004d2 2205c4 9103 2203e7\r\n"
                             "read prefix=0103 length=8 -> data[0:2] 02 002a\r\n"
                             "status regex=\"^GET /status\\b\" -> \"OK \" count \"\\r\\n\"\r\n"
                             "lan from=10.0.0.0/8 -> none\r\n"
                             "ping contains=70696e67 -> \"pong\"\r\n"
                             "privileged port=1-1023 -> data[0:4]\r\n"
                             "jumbo length=9001- -> none\r\n"
                             "hello regex=\"(?i)^hello\" -> \"hi\" count:2\r\n"
                             "linklocal from=fe80::/10 -> data\r\n"
                             "echo length=16- -> data\r\n";
    if (custom && !writeText(folder + QStringLiteral("/Config/Tavo_UdpRecvRules.txt"), rules))
        return false;
    return writeText(folder + QStringLiteral("/Config/Tavo_UdpRecvSetting.ini"), settings) &&
           writeText(folder + QStringLiteral("/Tavo_UdpRecv"), {});
}

int fail(const char *what)
{
    std::fprintf(stderr, "udprecv_benchhost: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    int positional = argc;
    int metricsPort = 0;
    if (positional > 4 && std::strcmp(argv[positional - 2], "--metrics") == 0) {
        metricsPort = std::atoi(argv[positional - 1]);
        positional -= 2;
    }
    const bool capture = positional > 3 && std::strcmp(argv[positional - 1], "--capture") == 0;
    const bool custom = positional > 3 && std::strcmp(argv[positional - 1], "--custom") == 0;
    if (capture || custom)
        --positional;
    if (positional < 3 || positional > 4 || metricsPort < 0 || metricsPort > 65535) {
        std::fprintf(stderr, "usage: %s <program folder> <port> [max seconds] [--capture | --custom] [--metrics <port>]\n",
                     argv[0]);
        return 2;
    }
    // Never outlive the driver that started this host.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int port = std::atoi(argv[2]);
    const int maxSeconds = positional > 3 ? std::atoi(argv[3]) : 3600;
    if (port <= 0 || port > 65535 || maxSeconds <= 0 || maxSeconds > 86400)
        return fail("bad port or time limit");
    if (!ControlSignals::install())
        return fail("cannot install the signal handlers");

    LoopTrace trace;
    TracedApplication app(argc, argv, trace);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!prepareProgramFolder(folder, port, capture, custom))
        return fail("cannot prepare the program folder");

    StderrMessageBoxes boxes;
    ProgramServices program(boxes);
    program.runtime.programFolder = folder;
    SingleInstance instance;
    Forms forms(program.services);
    if (Main(program.services, forms, instance) != StartupOutcome::WindowShown || !forms.existingMainForm() ||
        !forms.existingMainForm()->isVisible())
        return fail("the main window did not come up");

    frmMain &window = *forms.existingMainForm();
    auto *button = window.findChild<QAbstractButton *>(QStringLiteral("cmdRecvData"));
    auto *clockTimer = window.findChild<QTimer *>(QStringLiteral("tmrNowDateTime"));
    auto *socket = window.findChild<UdpSocket *>(QStringLiteral("wscRecv"));
    if (!button || !clockTimer || !socket)
        return fail("the main window lacks cmdRecvData, tmrNowDateTime or wscRecv");
    if (window.selectedResponse() != (custom ? ResponseOption::Custom : ResponseOption::RcvData))
        return fail(custom ? "the custom response is not selected" : "echo mode is not selected");
    if (custom && window.responseRules().size() != 10)
        return fail("the ten response rules were not read");

    MetricsServer metrics([&window] { return metricsexposition::textOf({window.receptionReport(), {}, 0}); });
    if (metricsPort != 0 && !metrics.listen({QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(metricsPort)}))
        return fail("cannot open the metrics endpoint");

    trace.watch(socket);
    HostProbe probe(*button, *clockTimer, *socket, trace, folder + QStringLiteral("/bench.stats"));
    button->click();
    if (socket->State() != UdpSocket::Bound)
        return fail("reception did not start");

    ControlSignals control({[&] { probe.resetTickGap(); }, [&] { probe.writeStats(); },
                            [&](int64_t arrivalNs) { probe.measureClicks(arrivalNs); }, [&] { forms.endProgram(); }});
    QTimer::singleShot(maxSeconds * 1000, &app, [&] { forms.endProgram(); });
    if (!writeText(folder + QStringLiteral("/bench.ready"), QByteArray::number(socket->boundPort()) + ' ' +
                                                                QByteArray::number(socket->receiveBufferSize()) + '\n'))
        return fail("cannot write the ready file");
    return QApplication::exec();
}
