#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ostrevik {

int InstallGermanQtTexts(QCoreApplication& app) {
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    int installed = 0;
    for (const char* name : {"qtbase_de", "qt_de"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), dir)) {
            QCoreApplication::installTranslator(translator);
            ++installed;
        } else {
            delete translator;
        }
    }
    return installed;
}

}  // namespace ostrevik
