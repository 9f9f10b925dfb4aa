#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "core/Clock.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"
#include "runtime/Environment.h"
#include "runtime/Services.h"
#include "ui/Forms.h"
#include "ui/QtMessageBoxes.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The program ends through its exit button or the main window's frame.
    QApplication::setQuitOnLastWindowClosed(false);

    Runtime runtime;
    runtime.programFolder = QCoreApplication::applicationDirPath();
    SystemClock clock;
    QtMessageBoxes boxes;
    LogWriter log(runtime.logging, clock);
    ErrorGuard guard(log, UdpReceiverKind);
    const Services services {runtime, boxes, clock, log, guard};
    SingleInstance instance(QCoreApplication::applicationFilePath());
    Forms forms(services);

    switch (Main(services, forms, instance)) {
    case StartupOutcome::WindowShown:
        return QApplication::exec();
    case StartupOutcome::SecondInstance:
        return 0;
    case StartupOutcome::Failed:
        break;
    }
    return 1;
}
