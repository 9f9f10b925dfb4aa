#include "Headless.h"

#include "HeadlessReceiver.h"
#include "QuitOnSignals.h"
#include "ServiceNotifier.h"
#include "SingleInstance.h"
#include "StandardErrorBoxes.h"
#include "Startup.h"
#include "core/StandardError.h"
#include "runtime/DataHome.h"
#include "runtime/ProgramServices.h"

#include <QCoreApplication>

#include <csignal>

int RunHeadless(int &argc, char **argv, const DataHome &home)
{
    QCoreApplication app(argc, argv);
    // A signal from now on ends the program once its event loop runs.
    QuitOnSignals quitOnSignals([] { QCoreApplication::exit(0); });
    // A closed standard output fails the status line instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);

    StandardErrorBoxes boxes;
    ProgramServices program(boxes);
    UseDataHome(program.runtime, home);
    SingleInstance instance;
    HeadlessReceiver receiver(program.services);

    switch (Main(program.services, receiver, instance)) {
    case StartupOutcome::WindowShown:
        break;
    case StartupOutcome::SecondInstance:
        PrintToStandardError(QStringLiteral("another instance of the program runs: this one ends."));
        return 1;
    case StartupOutcome::Failed:
        return 1;
    }
    if (!receiver.portUsable()) {
        PrintToStandardError(QStringLiteral("no usable receive port (UdpPort in %1): the program ends.")
                                 .arg(program.runtime.SettingFile()));
        return 1;
    }
    if (!receiver.startReception())
        return 1;
    ServiceNotifier serviceManager;
    serviceManager.ready(receiver.statusLine());
    QObject::connect(&receiver, &HeadlessReceiver::statusPrinted, &serviceManager, &ServiceNotifier::status);
    const int status = QCoreApplication::exec();
    serviceManager.stopping();
    receiver.printStatus(); // what arrived since the last status line
    return status;
}
