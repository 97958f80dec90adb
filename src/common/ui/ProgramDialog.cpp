#include "common/ui/ProgramDialog.h"

#include "common/Texts.h"
#include "common/ui/ModalUi.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWhatsThis>

namespace ostrevik {

ProgramDialog::ProgramDialog(QWidget* parent, QString helpTopic)
    : QDialog(parent), helpTopic_(std::move(helpTopic)) {}

int ProgramDialog::ShowModal() {
    const int result = modalUi().execDialog(*this);
    hide();
    return result;
}

void ProgramDialog::ShowHelp() {
    if (!helpTopic_.isEmpty()) {
        modalUi().showHelp(this, helpTopic_);
    }
}

void ProgramDialog::MakeFixedForm(int width, int height) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(width, height);
}

QPushButton* ProgramDialog::MakeHelpButton() {
    auto* button = new QPushButton(Texts::kHilfeButton, this);
    connect(button, &QPushButton::clicked, this, [this] { ShowHelp(); });
    return button;
}

void ProgramDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void ProgramDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        FormHide();
    }
}

void ProgramDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && !helpTopic_.isEmpty()) {
        ShowHelp();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ProgramDialog::event(QEvent* event) {
    // The title bar's help button would switch to "What's this?" mode, which
    // the program does not use: it opens the help page instead. Every window
    // hears of that mode; only the open dialog with that button answers.
    if (event->type() == QEvent::EnterWhatsThisMode && !helpTopic_.isEmpty() && isVisible() &&
        windowFlags().testFlag(Qt::WindowContextHelpButtonHint)) {
        QWhatsThis::leaveWhatsThisMode();
        ShowHelp();
        return true;
    }
    return QDialog::event(event);
}

}  // namespace ostrevik
