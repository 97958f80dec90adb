#pragma once

#include "common/ui/ModalUi.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace ostrevik::test {

struct MessageCall {
    QString text;
    QString caption;
    MessageButtons buttons;
};

// A ModalUi for tests: installs itself for its lifetime, records every modal
// interaction and answers from scripts. A question (more than an OK button)
// that no script answers fails the test, so unexpected prompts are caught.
class ScriptedModalUi : public ModalUi {
public:
    ScriptedModalUi();
    ~ScriptedModalUi() override;

    std::deque<MessageAnswer> messageAnswers;
    std::vector<MessageCall> messages;
    // Runs inside the message, as code would run while a real box is open.
    std::function<void(const MessageCall&)> duringMessage;
    // Answers a message by what it says, before the queue of answers; none:
    // the queue answers.
    std::function<std::optional<MessageAnswer>(const MessageCall&)> answerFor;

    std::deque<QString> fileAnswers;  // "" = cancelled
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::deque<QStringList> filesAnswers;  // several files at once; empty = cancelled
    std::deque<QString> directoryAnswers;  // "" = cancelled
    std::vector<FileDialogRequest> directoryRequests;

    std::function<bool(QPrinter&, int minPage, int maxPage)> onPrintDialog;
    bool printDialogOfferedPageRange = false;  // at the last print dialog
    std::function<bool(QPrinter&)> onPrinterSetup;
    std::deque<std::optional<QColor>> colorAnswers;
    QStringList helpTopics;
    // Runs the program's own modal dialogs; by default they are shown
    // without a loop and rejected.
    std::function<int(QDialog&)> onExecDialog;
    int execCount = 0;

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

    QStringList messageTexts() const;

    // The program's next modal dialogs are shown, modal and active as under
    // exec(), and handed to body while "open"; each returns the result it
    // closed with.
    void whileOpen(std::function<void(QDialog&)> body);

protected:
    MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& caption,
                              MessageButtons buttons) override;
};

}  // namespace ostrevik::test
