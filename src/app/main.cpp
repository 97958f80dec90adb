#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "common/ModalUi.h"
#include "evaluation/DebugWindow.h"
#include "settings/Paths.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace ostrevik;

namespace {

// The user interface is German whatever the system's language: Qt's own
// texts (standard buttons, file and print dialogs) follow it.
void LoadGermanQtTexts(QApplication& app) {
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_de", "qt_de"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), dir)) {
            QApplication::installTranslator(translator);
        } else {
            delete translator;
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrevik"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ostrevik"));
    QApplication::setDesktopFileName(QStringLiteral("de.ostrevik.Ostrevik"));
    LoadGermanQtTexts(app);

    SingleInstanceGuard guard;
    if (!guard.acquired()) {
        modalUi().message(nullptr, QStringLiteral("Programm Ostrevik läuft bereits!"),
                          QStringLiteral("Meldung"), MessageButtons::Ok);
        return 0;
    }

    TForm1 form1(configFilePath());
    setHelpHandler([&form1](QWidget*, const QString& page) {
        form1.Help->setHelpFile(helpFilePath());
        form1.Help->showTopic(page);
    });

    // "--debug" anywhere in the command line (case-sensitive) shows the debug
    // window from the start.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (args.join(QLatin1Char(' ')).contains(QStringLiteral("--debug"))) {
        form1.DebugForm->show();
    }

    form1.show();
    return app.exec();
}
