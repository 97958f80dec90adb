#include "evaluation/ui/StatisticsDialog.h"

#include "common/HelpTopics.h"
#include "evaluation/ui/Printing.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace ostrevik {

TPvxStatistikDlg::TPvxStatistikDlg(QWidget* parent) : ProgramDialog(parent, HelpTopics::Statistik) {
    setWindowTitle(QStringLiteral("Statistik"));
    MakeFixedForm(350, 345);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(1, 5, 348, 292);
    Memo1->setReadOnly(true);
    // Long file names scroll rather than break the figures' lines apart.
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    ButtonDrucken = new QPushButton(QStringLiteral("&Drucken"), this);
    ButtonDrucken->setGeometry(264, 312, 75, 25);
    ButtonOK = new QPushButton(QStringLiteral("B&eenden"), this);
    ButtonOK->setGeometry(6, 312, 75, 25);
    Hilfe1 = MakeHelpButton();
    Hilfe1->setGeometry(137, 312, 75, 25);

    setTabOrder(ButtonDrucken, ButtonOK);
    setTabOrder(ButtonOK, Hilfe1);
    setTabOrder(Hilfe1, Memo1);

    for (QWidget* w : {static_cast<QWidget*>(Memo1), static_cast<QWidget*>(ButtonDrucken),
                       static_cast<QWidget*>(ButtonOK), static_cast<QWidget*>(Hilfe1)}) {
        w->installEventFilter(this);
    }

    connect(ButtonDrucken, &QPushButton::clicked, this, [this] { ButtonDruckenClick(); });
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
}

StatistikQuelle TPvxStatistikDlg::quelleAbfragen() const {
    return quelle_ ? quelle_() : StatistikQuelle{};
}

void TPvxStatistikDlg::StatistikBerechnen() {
    const StatistikQuelle q = quelleAbfragen();
    Dateiheader_t leererKopf;
    KopfInitialisieren(leererKopf);
    // Without an active document there is nothing to evaluate: the result is
    // that of an empty one.
    const Rasters_t leereListe(50, 4, 60, 60);
    Statistik = ostrevik::StatistikBerechnen(q.Dateiname, q.Kopf ? *q.Kopf : leererKopf,
                                             q.Liste ? *q.Liste : leereListe);
}

void TPvxStatistikDlg::memoFuellen() {
    Memo1->setPlainText(StatistikZeilen(Statistik, QLocale()).join(QLatin1Char('\n')));
    Memo1->moveCursor(QTextCursor::Start);
}

void TPvxStatistikDlg::FormShow() {
    StatistikBerechnen();
    memoFuellen();
    if (const QScreen* screen =
            this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect frei = screen->availableGeometry();
        move(frei.center() - QPoint(width() / 2, height() / 2));
    }
    ButtonDrucken->setFocus();
}

void TPvxStatistikDlg::ButtonDruckenClick() {
    const StatistikQuelle q = quelleAbfragen();
    StatistikAusdrucken(this, Statistik, q.Anwender, q.Kopf,
                        drucker_ ? *drucker_ : ProgramPrinter());
}

bool TPvxStatistikDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        ShowHelp();
        return true;
    }
    return ProgramDialog::eventFilter(watched, event);
}

}  // namespace ostrevik
