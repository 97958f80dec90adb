#pragma once

#include "evaluation/Statistics.h"
#include "measurement/MeasurementFile.h"
#include "measurement/Rasters.h"

#include <QDialog>
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
class TPvxStatistikDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPvxStatistikDlg(QWidget* parent = nullptr);

    // Set by the main window: returns the active document at the moment asked.
    void setQuelle(std::function<StatistikQuelle()> quelle) { quelle_ = std::move(quelle); }
    // The printer of the printout; the program's printer unless set.
    void setDrucker(QPrinter* drucker) { drucker_ = drucker; }

    // Evaluates the active document into Statistik.
    void StatistikBerechnen();

    void ButtonDruckenClick();
    void Hilfe1Click();

    // The last evaluation, kept until the next showing; the printout prints it.
    Statistik_t Statistik;

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* ButtonDrucken = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* Hilfe1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // F1 opens the help wherever the focus is, before any control sees it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    StatistikQuelle quelleAbfragen() const;
    void memoFuellen();

    std::function<StatistikQuelle()> quelle_;
    QPrinter* drucker_ = nullptr;
};

}  // namespace ostrevik
