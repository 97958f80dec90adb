#include "ScriptedModalUi.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace ostrevik::test {

ScriptedModalUi::ScriptedModalUi() {
    setModalUi(this);
}
ScriptedModalUi::~ScriptedModalUi() {
    setModalUi(nullptr);
}

MessageAnswer ScriptedModalUi::showMessage(QWidget*, const QString& text, const QString& caption,
                                           MessageButtons buttons) {
    MessageCall call{text, caption, buttons};
    messages.push_back(call);
    if (duringMessage) {
        duringMessage(call);
    }
    if (answerFor) {
        if (const std::optional<MessageAnswer> a = answerFor(call)) {
            return *a;
        }
    }
    if (!messageAnswers.empty()) {
        const MessageAnswer a = messageAnswers.front();
        messageAnswers.pop_front();
        return a;
    }
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    ADD_FAILURE() << "unanswered question: " << caption.toStdString() << ": " << text.toStdString();
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
}

QString ScriptedModalUi::openFileName(QWidget*, const FileDialogRequest& request) {
    openRequests.push_back(request);
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unanswered open dialog";
        return {};
    }
    QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

QStringList ScriptedModalUi::openFileNames(QWidget*, const FileDialogRequest& request) {
    openRequests.push_back(request);
    if (filesAnswers.empty()) {
        ADD_FAILURE() << "unanswered open dialog for several files";
        return {};
    }
    QStringList a = filesAnswers.front();
    filesAnswers.pop_front();
    return a;
}

QString ScriptedModalUi::existingDirectory(QWidget*, const FileDialogRequest& request) {
    directoryRequests.push_back(request);
    if (directoryAnswers.empty()) {
        ADD_FAILURE() << "unanswered folder dialog";
        return {};
    }
    QString a = directoryAnswers.front();
    directoryAnswers.pop_front();
    return a;
}

QString ScriptedModalUi::saveFileName(QWidget*, const FileDialogRequest& request) {
    saveRequests.push_back(request);
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unanswered save dialog";
        return {};
    }
    QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

bool ScriptedModalUi::printDialog(QWidget*, QPrinter& printer, int minPage, int maxPage,
                                  bool offerPageRange) {
    printDialogOfferedPageRange = offerPageRange;
    if (!onPrintDialog) {
        ADD_FAILURE() << "unanswered print dialog";
        return false;
    }
    return onPrintDialog(printer, minPage, maxPage);
}

bool ScriptedModalUi::printerSetup(QWidget*, QPrinter& printer) {
    return onPrinterSetup ? onPrinterSetup(printer) : false;
}

std::optional<QColor> ScriptedModalUi::chooseColor(QWidget*, const QColor&) {
    if (colorAnswers.empty()) {
        return std::nullopt;
    }
    auto a = colorAnswers.front();
    colorAnswers.pop_front();
    return a;
}

void ScriptedModalUi::showHelp(QWidget*, const QString& topicPage) {
    helpTopics << topicPage;
}

int ScriptedModalUi::execDialog(QDialog& dialog) {
    ++execCount;
    if (onExecDialog) {
        return onExecDialog(dialog);
    }
    return QDialog::Rejected;
}

void ScriptedModalUi::whileOpen(std::function<void(QDialog&)> body) {
    onExecDialog = [body](QDialog& dialog) {
        dialog.setResult(0);  // the window is reused; start without a result
        // Modal and active as under exec(): keys go to the dialog, not to
        // the main window's shortcuts.
        dialog.setModal(true);
        dialog.show();
        dialog.activateWindow();
        QElapsedTimer timer;
        timer.start();
        while (!dialog.isActiveWindow() && dialog.isVisible() && timer.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        body(dialog);
        return dialog.result();
    };
}

QStringList ScriptedModalUi::messageTexts() const {
    QStringList out;
    for (const auto& m : messages) {
        out << m.text;
    }
    return out;
}

}  // namespace ostrevik::test
