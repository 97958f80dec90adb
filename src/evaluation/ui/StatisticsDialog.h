#pragma once

#include "common/ui/ProgramDialog.h"
#include "evaluation/Statistics.h"
#include "measurement/MeasurementFile.h"
#include "measurement/Rasters.h"

#include <QString>

#include <functional>

class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace ostrevik {

// What the statistics need of the program: the active document (its file
// name, header and record list; null pointers when no document is active)
// and the user's name for the printout.
struct StatistikQuelle {
    QString Dateiname;
    const Dateiheader_t* Kopf = nullptr;
    const Rasters_t* Liste = nullptr;
    QString Anwender;
};

// "Statistik": evaluates the active document each time it is shown, shows the
// result text and prints it.
class TPvxStatistikDlg : public ProgramDialog {
    Q_OBJECT
public:
    explicit TPvxStatistikDlg(QWidget* parent = nullptr);

    // Set by the main window: returns the active document at the moment asked.
    void setQuelle(std::function<StatistikQuelle()> quelle) { quelle_ = std::move(quelle); }
    // The printer of the printout; the program's printer unless set.
    void setDrucker(QPrinter* drucker) { drucker_ = drucker; }

    // Evaluates the active document into Statistik.
    void StatistikBerechnen();

    // Evaluates the active document and shows the result (run on showing).
    void FormShow() override;
    void ButtonDruckenClick();

    // The last evaluation, kept until the next showing; the printout prints it.
    Statistik_t Statistik;

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* ButtonDrucken = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* Hilfe1 = nullptr;

protected:
    // F1 opens the help wherever the focus is, before any control sees it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    StatistikQuelle quelleAbfragen() const;
    void memoFuellen();

    std::function<StatistikQuelle()> quelle_;
    QPrinter* drucker_ = nullptr;
};

}  // namespace ostrevik
