#include "common/ui/ModalUi.h"

#include "common/Texts.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace ostrevik {
namespace {

ModalUi* g_installed = nullptr;
HelpHandler g_helpHandler;

QMessageBox::Icon iconFor(const QString& caption, MessageButtons buttons) {
    if (caption == Texts::kFehler) {
        return QMessageBox::Critical;
    }
    if (caption == Texts::kWarnung) {
        return QMessageBox::Warning;
    }
    return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel
               ? QMessageBox::Information
               : QMessageBox::Question;
}

QFileDialog::Options fileDialogOptions() {
    // Tests and headless runs must not wait on a platform portal.
    return qEnvironmentVariableIsSet("OSTREVIK_QT_FILE_DIALOG") ? QFileDialog::DontUseNativeDialog
                                                                : QFileDialog::Options();
}

}  // namespace

ModalUi::~ModalUi() = default;

void ModalUi::showError(QWidget* parent, const std::exception& error) {
    message(parent, QString::fromLocal8Bit(error.what()), Texts::kOstrevik, MessageButtons::Ok);
}

MessageAnswer ModalUi::message(QWidget* parent, const QString& text, const QString& caption,
                               MessageButtons buttons) {
    while (QGuiApplication::overrideCursor()) {
        QGuiApplication::restoreOverrideCursor();
    }
    return showMessage(parent, text, caption, buttons);
}

ModalUi& modalUi() {
    static WidgetModalUi real;
    return g_installed ? *g_installed : real;
}

void setModalUi(ModalUi* ui) {
    g_installed = ui;
}

void setHelpHandler(HelpHandler handler) {
    g_helpHandler = std::move(handler);
}

MessageAnswer WidgetModalUi::showMessage(QWidget* parent, const QString& text,
                                         const QString& caption, MessageButtons buttons) {
    QMessageBox::StandardButtons set;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    switch (buttons) {
        case MessageButtons::Ok:
            set = QMessageBox::Ok;
            defaultButton = QMessageBox::Ok;
            break;
        case MessageButtons::OkCancel:
            set = QMessageBox::Ok | QMessageBox::Cancel;
            defaultButton = QMessageBox::Ok;
            break;
        case MessageButtons::YesNo:
            set = QMessageBox::Yes | QMessageBox::No;
            defaultButton = QMessageBox::Yes;
            break;
        case MessageButtons::YesNoCancel:
            set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            defaultButton = QMessageBox::Yes;
            break;
    }
    QMessageBox box(iconFor(caption, buttons), caption, text, set, parent);
    // The program's texts are plain: a file name with a "<" in it must not
    // turn the box to rich text.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            // Closing the box by its close button counts as its "escape"
            // answer: Cancel where there is one, otherwise No or OK.
            if (buttons == MessageButtons::YesNo) {
                return MessageAnswer::No;
            }
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

QString WidgetModalUi::openFileName(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.caption, request.initialPath, request.filter);
    dialog.setOptions(fileDialogOptions() | QFileDialog::ReadOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QStringList WidgetModalUi::openFileNames(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.caption, request.initialPath, request.filter);
    dialog.setOptions(fileDialogOptions() | QFileDialog::ReadOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

QString WidgetModalUi::existingDirectory(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.caption, request.initialPath);
    dialog.setOptions(fileDialogOptions() | QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front();
}

QString WidgetModalUi::saveFileName(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.caption, request.initialPath, request.filter);
    dialog.setOptions(fileDialogOptions());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialPath.isEmpty()) {
        dialog.selectFile(request.initialPath);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

bool WidgetModalUi::printDialog(QWidget* parent, QPrinter& printer, int minPage, int maxPage,
                                bool offerPageRange) {
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(minPage, maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, offerPageRange);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetModalUi::printerSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QColor> WidgetModalUi::chooseColor(QWidget* parent, const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return c;
}

void WidgetModalUi::showHelp(QWidget* parent, const QString& topicPage) {
    if (g_helpHandler) {
        g_helpHandler(parent, topicPage);
    }
}

int WidgetModalUi::execDialog(QDialog& dialog) {
    return dialog.exec();
}

}  // namespace ostrevik
