#pragma once

#include "common/Messages.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace ostrevik {

struct FileDialogRequest {
    QString caption;
    QString initialPath;    // directory or file the dialog starts with
    QString filter;         // e.g. "Pelvaro-Datei (*.pvo)"
    QString defaultSuffix;  // without the dot
};

// Every modal interaction of the program goes through this interface: message
// boxes, file, print, printer-setup and colour dialogs, the help viewer and the
// program's own modal dialogs. The default implementation shows the real
// dialogs; tests install a scripted one that records what was asked (exact
// German text, caption, buttons) and answers from a script.
class ModalUi {
public:
    virtual ~ModalUi();

    // A message box. A wait cursor shown for work in progress is taken down
    // first: the user is asked something, the program does not work.
    MessageAnswer message(QWidget* parent, const QString& text, const QString& caption,
                          MessageButtons buttons);
    // The program's standard display of an error (an exception's message,
    // caption "Ostrevik", OK): for failures no window says more about.
    void showError(QWidget* parent, const std::exception& error);
    // The chosen path, or an empty string when the user cancelled.
    virtual QString openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // Several existing files at once; empty when the user cancelled.
    virtual QStringList openFileNames(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // An existing folder; an empty string when the user cancelled.
    virtual QString existingDirectory(QWidget* parent, const FileDialogRequest& request) = 0;
    // Lets the user set up the printer (copies, print to file, and where
    // offered the page range from..to). True when the user chose to print.
    virtual bool printDialog(QWidget* parent, QPrinter& printer, int minPage, int maxPage,
                             bool offerPageRange) = 0;
    virtual bool printerSetup(QWidget* parent, QPrinter& printer) = 0;
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
    // Opens a topic page ("Ovrik_Einleitung.html", ...) of the help file.
    virtual void showHelp(QWidget* parent, const QString& topicPage) = 0;
    // Runs one of the program's own dialogs modally; returns QDialog's result.
    virtual int execDialog(QDialog& dialog) = 0;

protected:
    virtual MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& caption,
                                      MessageButtons buttons) = 0;
};

// The implementation in force. Without one installed, the real dialogs.
ModalUi& modalUi();
// Installs an implementation (not owned); nullptr restores the real dialogs.
void setModalUi(ModalUi* ui);

// How the real implementation opens help topics; the application installs the
// help viewer here at start.
using HelpHandler = std::function<void(QWidget* parent, const QString& topicPage)>;
void setHelpHandler(HelpHandler handler);

// The real dialogs.
class WidgetModalUi : public ModalUi {
public:
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QStringList openFileNames(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString existingDirectory(QWidget* parent, const FileDialogRequest& request) override;
    bool printDialog(QWidget* parent, QPrinter& printer, int minPage, int maxPage,
                     bool offerPageRange) override;
    bool printerSetup(QWidget* parent, QPrinter& printer) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    void showHelp(QWidget* parent, const QString& topicPage) override;
    int execDialog(QDialog& dialog) override;

protected:
    MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& caption,
                              MessageButtons buttons) override;
};

}  // namespace ostrevik
