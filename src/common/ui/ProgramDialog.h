#pragma once

#include <QDialog>
#include <QString>

class QPushButton;

namespace ostrevik {

// The base of the program's dialogs. Each is made once and hidden between
// uses: it fills itself when the program shows it (FormShow) and lets go of
// what it holds when the program hides it (FormHide); the window system's own
// show and hide events (minimising, restoring) run neither. A dialog with a
// help topic opens that page of the help file on F1, from its help button and
// from the title bar's help button where it has one
// (Qt::WindowContextHelpButtonHint).
class ProgramDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgramDialog(QWidget* parent = nullptr, QString helpTopic = {});

    virtual void FormShow() {}
    virtual void FormHide() {}

    // Runs the dialog modally; returns QDialog's result. A dialog its runner
    // left open is hidden as well, so that it always lets go of what it holds.
    int ShowModal();

    // Opens the dialog's help topic; nothing for a dialog without one.
    void ShowHelp();

protected:
    // The help button "&Hilfe F1" as a child of this dialog; placing it and
    // its default-button behaviour are the dialog's.
    QPushButton* MakeHelpButton();

    // A fixed little form of this size: no resizing, no help or minimise
    // buttons, closed from its title bar.
    void MakeFixedForm(int width, int height);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString helpTopic_;
};

}  // namespace ostrevik
