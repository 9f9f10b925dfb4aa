#include "Headless.h"

#include "CommandLine.h"
#include "HeadlessReceiver.h"
#include "ProgramReports.h"
#include "QuitOnSignals.h"
#include "ServiceNotifier.h"
#include "SingleInstance.h"
#include "StandardErrorBoxes.h"
#include "Startup.h"
#include "core/ProgramEvents.h"
#include "core/StandardError.h"
#include "runtime/DataHome.h"
#include "runtime/ProgramServices.h"

#include <QCoreApplication>

#include <csignal>

int runHeadless(int &argc, char **argv, const DataHome &home, const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    // A signal from now on ends the program once its event loop runs.
    QuitOnSignals quitOnSignals([] { QCoreApplication::exit(0); });
    // A closed standard output fails the status line instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);

    StandardErrorBoxes boxes;
    ProgramServices program(boxes);
    useDataHome(program.runtime, home);
    SingleInstance instance;
    HeadlessReceiver receiver(program.services);
    ProgramReports reports([&receiver] { return receiver.report(); });

    switch (Main(program.services, receiver, instance)) {
    case StartupOutcome::WindowShown:
        break;
    case StartupOutcome::SecondInstance:
        printToStandardError(QStringLiteral("another instance of the program runs: this one ends."));
        return 1;
    case StartupOutcome::Failed:
        return 1;
    }
    if (!receiver.portUsable()) {
        tellEvent({"port-refused",
                   QStringLiteral("no usable receive port (UdpPort in %1): the program ends.")
                       .arg(program.runtime.SettingFile()),
                   ProgramEvent::Error,
                   {{"UDPRECV_PORT", QString::number(receiver.report().port)}},
                   true});
        return 1;
    }
    if (!reports.openMetrics(commandLine.metrics, program.runtime.SettingFile(), boxes))
        return 1;
    reports.started(receiver.report().port, program.runtime.programFolder);
    if (!receiver.startReception()) {
        reports.stopped();
        return 1;
    }
    ServiceNotifier serviceManager;
    serviceManager.ready(receiver.statusLine());
    QObject::connect(&receiver, &HeadlessReceiver::statusPrinted, &serviceManager, &ServiceNotifier::status);
    const int status = QCoreApplication::exec();
    serviceManager.stopping();
    receiver.printStatus(); // what arrived since the last status line
    reports.stopped();
    return status;
}
