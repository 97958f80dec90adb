#include "evaluation/ui/PrintProgress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>

namespace ostrevik {

TForm5::TForm5(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Druck-Fortschritt"));
    // A title bar without any buttons: the print cannot be cancelled, and the
    // window must not be closed while pages are going out.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(248, 111);

    Label1 = new QLabel(QStringLiteral("Drucke Seite 1 von 1"), this);
    Label1->setGeometry(24, 48, 193, 17);
    Label1->setAlignment(Qt::AlignCenter);
}

void TForm5::FortschrittZeigen(const QString& text) {
    Label1->setText(text);
    if (isVisible()) {
        Label1->repaint();
    }
}

void TForm5::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (const QScreen* screen =
            this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect frei = screen->availableGeometry();
        move(frei.center() - QPoint(width() / 2, height() / 2));
    }
}

void TForm5::closeEvent(QCloseEvent* event) {
    // The window manager may still offer to close it; printing hides it
    // when the pages are out.
    event->ignore();
}

DruckFortschrittAnzeige::DruckFortschrittAnzeige(TForm5& form) : form_(form) {
    form_.show();
    // A window appears only once the window system has mapped it, and
    // printing does not return to the event loop until it is done. Wait for
    // that briefly, letting no user input through, so that the pages' texts
    // can be painted as they go out.
    QDeadlineTimer frist(500);
    while (form_.windowHandle() && !form_.windowHandle()->isExposed() && !frist.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    form_.repaint();
}

DruckFortschrittAnzeige::~DruckFortschrittAnzeige() {
    form_.hide();
}

}  // namespace ostrevik
