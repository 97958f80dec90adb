#include "archive/ui/ArchiveCommands.h"

#include "analysis/ui/ActiveDocuments.h"
#include "analysis/ui/AnalysisCommands.h"
#include "archive/ui/ArchiveWindow.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"

#include <QLabel>
#include <QWidget>

namespace ostrevik {

namespace {

// The documents as the archive window sees them; a child of the window.
class DocumentsHost : public QObject, public ArchiveWindowHost {
public:
    explicit DocumentsHost(ActiveDocuments& documents) : documents_(documents) {}

    void OpenDocument(const QString& path) override { documents_.Open(path); }
    void CompareFiles(const QStringList& paths) override { DateienVergleichen(documents_, paths); }
    QString UserName() const override { return documents_.UserName(); }
    DisplaySettings Display() const override { return documents_.Display(); }

private:
    ActiveDocuments& documents_;
};

TArchiveForm& shownArchive(ActiveDocuments& documents) {
    TArchiveForm& window = ArchiveWindow(documents);
    if (!window.OpenArchive()) {
        modalUi().message(documents.DialogParent(), window.Notice(), Texts::kFehler,
                          MessageButtons::Ok);
    }
    window.show();
    window.raise();
    window.activateWindow();
    return window;
}

}  // namespace

TArchiveForm& ArchiveWindow(ActiveDocuments& documents) {
    QWidget* parent = documents.DialogParent();
    if (auto* window = parent->findChild<TArchiveForm*>()) {
        return *window;
    }
    auto* host = new DocumentsHost(documents);
    auto* window = new TArchiveForm(*host, QString(), QString(), parent);
    host->setParent(window);
    return *window;
}

void ArchivAnzeigen(ActiveDocuments& documents) {
    shownArchive(documents);
}

void DateienAufnehmen(ActiveDocuments& documents) {
    shownArchive(documents).DateienAufnehmen();
}

void OrdnerAufnehmen(ActiveDocuments& documents) {
    shownArchive(documents).OrdnerAufnehmen();
}

}  // namespace ostrevik
