#include "CommandLine.h"

#include "MetricsHttp.h"
#include "ui/Forms.h"
#include "ui/frmMain.h"

#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// The options QGuiApplication and QApplication take out of the arguments
// themselves, with or without a value.
const char *const QtValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "style",
    "stylesheet",  "qmljsdebugger"};
const char *const QtFlagOptions[] = {"reverse", "nograb", "dograb", "widgetcount"};

void addQtOptions(QCommandLineParser &parser)
{
    for (const char *name : QtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), {}, QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : QtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QString &dataHome)
{
    QCommandLineParser parser;
    // Qt's options are single-dash words: -platform, not -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("A UDP receiver: shows every datagram that reaches the configured port, logs it and,\n"
                       "in echo mode, sends it back."));
    // Qt's own help and version options need an application object.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    parser.addOption(help);
    parser.addOption(version);
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Switch reception on once the main window is up, as the button 受信待ち does. Does nothing "
                       "when start-up opens the port settings dialog instead."));
    parser.addOption(listen);
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Run the receiver without a display: reception on at once, messages on standard error, a "
                       "status line on standard output every second datagrams arrive; SIGTERM, SIGINT or SIGHUP "
                       "ends it."));
    parser.addOption(headless);
    const QCommandLineOption metrics(
        QStringLiteral("metrics"),
        QStringLiteral("Serve the receiver's counters to Prometheus on http://<address>:<port>/metrics; the address "
                       "is 127.0.0.1 when only a port is given (an IPv6 address goes in brackets). Overrides "
                       "MetricsAddress in the settings file."),
        QStringLiteral("[address:]port"));
    parser.addOption(metrics);
    addQtOptions(parser);

    CommandLine result;
    const QString program = QStringLiteral("Tavo_UdpRecv");
    if (!parser.parse(arguments)) {
        print(stderr, program + QStringLiteral(": ") + parser.errorText() +
                          QStringLiteral("\nTry '--help' for the options.\n"));
        result.exitCode = 2;
    } else if (!parser.positionalArguments().isEmpty()) {
        print(stderr, program + QStringLiteral(": unexpected argument '") + parser.positionalArguments().constFirst() +
                          QStringLiteral("'.\nTry '--help' for the options.\n"));
        result.exitCode = 2;
    } else if (parser.isSet(help)) {
        // Without an application object the usage line names no program.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), program);
        if (!dataHome.isEmpty())
            text += QLatin1Char('\n') + dataHome + QLatin1Char('\n');
        print(stdout, text);
        result.exitCode = 0;
    } else if (const Result<metricshttp::ListenAddress> where =
                   metricshttp::listenAddressOf(parser.value(metrics));
               parser.isSet(metrics) && !where) {
        print(stderr, program + QStringLiteral(": ") + where.error().description() +
                          QStringLiteral("\nTry '--help' for the options.\n"));
        result.exitCode = 2;
    } else if (parser.isSet(version)) {
        print(stdout, program + QStringLiteral(" ") + QStringLiteral(UDPRECV_VERSION) + QStringLiteral("\n"));
        result.exitCode = 0;
    }
    result.listen = parser.isSet(listen);
    result.headless = parser.isSet(headless);
    result.metrics = parser.value(metrics);
    return result;
}

void listenWhenShown(Forms &forms)
{
    frmMain *main = forms.existingMainForm();
    if (!main || !main->isVisible())
        return;
    QTimer::singleShot(0, main, [main] { main->clickRecvData(); });
}
