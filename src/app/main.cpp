#include "runtime/Environment.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "core/Clock.h"
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
    SingleInstance instance(QCoreApplication::applicationFilePath());
    Forms forms(runtime, boxes, clock);

    switch (Main(forms, instance)) {
    case StartupOutcome::WindowShown:
        return QApplication::exec();
    case StartupOutcome::SecondInstance:
        return 0;
    case StartupOutcome::Failed:
        break;
    }
    return 1;
}
