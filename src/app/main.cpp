#include "app/CommandLine.h"
#include "app/Headless.h"
#include "app/ProgramReports.h"
#include "app/QuitOnSignals.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "runtime/DataHome.h"
#include "runtime/ProgramServices.h"
#include "ui/Forms.h"
#include "ui/QtMessageBoxes.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

namespace {

// The program's icon in every size built into the executable.
QIcon programIcon()
{
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/icons")).entryInfoList(QDir::Files))
        icon.addFile(file.filePath());
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    // Read first: --help, --version and a wrong argument end the program
    // before anything needs a display or creates the program's folders.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const DataHome home = chooseDataHome(executableFolder(), perUserDataFolder());
    const CommandLine commandLine = parseCommandLine(arguments, describeDataHome(home));
    if (commandLine.exitCode)
        return *commandLine.exitCode;
    if (commandLine.headless)
        return runHeadless(argc, argv, home, commandLine);

    QApplication app(argc, argv);
    // Every window shows the icon of the desktop entry, which desktops find by its id.
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(UDPRECV_APP_ID));
    // The program ends through its exit button or the main window's frame.
    QApplication::setQuitOnLastWindowClosed(false);

    QtMessageBoxes boxes;
    ProgramServices program(boxes);
    useDataHome(program.runtime, home);
    SingleInstance instance;
    Forms forms(program.services);
    // A terminal or a service manager ends the program as its exit button
    // does once answered: the windows go and the event loop ends, status 0.
    QuitOnSignals quitOnSignals([&forms] { forms.endProgram(); });
    ProgramReports reports([&forms] {
        const frmMain *main = forms.existingMainForm();
        return main ? main->receptionReport() : ReceptionReport();
    });

    switch (Main(program.services, forms, instance)) {
    case StartupOutcome::WindowShown: {
        if (forms.ended()) // a signal came while start-up showed a message box
            return 0;
        // An endpoint that cannot be opened has shown its box; the window goes on without it.
        (void)reports.openMetrics(commandLine.metrics, program.runtime.SettingFile(), boxes);
        const frmMain *main = forms.existingMainForm();
        reports.started(main ? main->RcvPort() : 0, program.runtime.programFolder);
        if (commandLine.listen)
            listenWhenShown(forms);
        const int status = QApplication::exec();
        reports.stopped();
        return status;
    }
    case StartupOutcome::SecondInstance:
        return 0;
    case StartupOutcome::Failed:
        break;
    }
    return 1;
}
