#include "analysis/ui/ReportPdf.h"
#include "app/Application.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "app/ToolbarIcons.h"
#include "app/Translations.h"
#include "app/WindowStart.h"
#include "cli/CommandLine.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "device/EnumComPorts.h"
#include "service/ui/DebugWindow.h"
#include "service/ui/ServiceWindows.h"
#include "settings/Paths.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QSocketNotifier>

#include <csignal>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

using namespace ostrevik;

namespace {

// SIGTERM and SIGINT (a session ending, Ctrl+C in a terminal) close the main
// window as its close box does, so settings are saved and changed documents
// are offered for saving, instead of ending the process on the spot.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char c = 1;
    (void)!::write(g_signalPipe[1], &c, 1);
}

void CloseOnTerminationSignals(QMainWindow& window) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

int runProgram(QApplication& app);

}  // namespace

int main(int argc, char* argv[]) {
    // The commands without a window first; they write reports with the same
    // PDF writer as the menu.
    if (const std::optional<int> exitCode = RunCommandLine(argc, argv, writeTrainingReportPdf)) {
        return *exitCode;
    }
    if (const std::optional<int> exitCode = CheckWindowStart(argc, argv)) {
        return *exitCode;
    }
    // Qt ends the process when it finds no display after all; the guard says
    // why in the program's own words.
    std::optional<DisplayStartGuard> displayGuard(std::in_place);
    OstrevikApplication app(argc, argv);
    displayGuard.reset();
    QApplication::setApplicationName(Texts::kOstrevik);
    QApplication::setDesktopFileName(QStringLiteral("de.ostrevik.Ostrevik"));
    // The installed theme icon wins where there is one; otherwise the drawn one.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("de.ostrevik.Ostrevik"), applicationIcon()));
    InstallGermanQtTexts(app);

    SingleInstanceGuard guard;
    if (!guard.acquired()) {
        modalUi().message(nullptr, QStringLiteral("Programm Ostrevik läuft bereits!"),
                          Texts::kMeldung, MessageButtons::Ok);
        return 0;
    }

    // An error while the windows are made, or one that leaves the event loop,
    // is shown like any other before the program ends.
    try {
        return runProgram(app);
    } catch (const std::exception& error) {
        modalUi().showError(nullptr, error);
    } catch (...) {
        modalUi().showError(nullptr, std::runtime_error("Unbekannter Fehler"));
    }
    return 1;
}

namespace {

int runProgram(QApplication& app) {
    // "--drill ÜBUNG [DATEI.pvo]", read now that Qt has taken its options.
    const std::optional<DrillStart> drill = readDrillStart(QApplication::arguments());
    if (drill && drill->exitCode) {
        return *drill->exitCode;
    }
    TForm1 form1(configFilePath());
    setHelpHandler([&form1](QWidget*, const QString& page) {
        form1.Help().setHelpFile(helpFilePath());
        form1.Help().showTopic(page);
    });

    // "--debug" anywhere in the command line (case-sensitive) shows the debug
    // window from the start. Its trace begins with the device behind each
    // port, since ttyUSB and ttyACM numbers follow the order of plugging in.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (args.join(QLatin1Char(' ')).contains(QStringLiteral("--debug"))) {
        form1.Service().DebugWindow().show();
        QStringList ports;
        EnumComPorts(ports);
        form1.Service().DebugWindow().TraceLines(ComPortDeviceLines(ports));
    }
    if (drill) {
        form1.SetStartDrill(drill->drill, drill->file);
    } else {
        QStringList startFiles;
        for (const QString& arg : args) {
            if (!arg.startsWith(QLatin1Char('-'))) {
                startFiles << QFileInfo(arg).absoluteFilePath();
            }
        }
        form1.SetStartFiles(startFiles);
    }
    CloseOnTerminationSignals(form1);

    form1.show();
    return app.exec();
}

}  // namespace
