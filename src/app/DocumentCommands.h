#pragma once

#include <QObject>

class QWidget;

namespace ostrevik {

class ActiveDocuments;
class TForm4;
class TForm5;
class TPvxStatistikDlg;

// The commands on the active document: printing (with its progress window),
// the printer setup, the file header's text, the statistics, and the display
// modes; each does nothing without an active document. Owns the file header
// dialog, the print progress window and the statistics dialog.
class DocumentCommands : public QObject {
    Q_OBJECT
public:
    DocumentCommands(ActiveDocuments& documents, QWidget& window);

    void Drucken();
    void DruckerEinrichten();
    void Zusatztext();
    void Statistik();
    // Every record of the active document in the display mode (0 normal, 1
    // shot-aligned); the mode shown in the menu and on the button follows.
    void Anzeige(int mode);

signals:
    // The mode asked for while no document is active; an active document
    // reports the mode it shows through its host.
    void displayModeShown(int mode);

private:
    ActiveDocuments& documents_;
    QWidget& window_;
    TForm4* form4_ = nullptr;
    TForm5* form5_ = nullptr;
    TPvxStatistikDlg* statistik_ = nullptr;
};

}  // namespace ostrevik
