#include "analysis/ui/ReportPdf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>

namespace ostrevik {

FileWriteResult writeTrainingReportPdf(const QString& path, const ReportInput& input) {
    // The printer writes its file as it goes; the report is made beside it
    // and only moved into place once complete.
    QTemporaryFile scratch(QDir::temp().filePath(QStringLiteral("ostrevik-report-XXXXXX.pdf")));
    if (!scratch.open()) {
        return {false, scratch.errorString()};
    }
    scratch.close();

    ReportOutcome outcome;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(scratch.fileName());
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setFullPage(true);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        printer.setCreator(QStringLiteral("Ostrevik"));
        printer.setDocName(QStringLiteral("Trainingsbericht ") +
                           QFileInfo(path).completeBaseName());
        outcome = paintTrainingReport(printer, input);
    }
    if (!outcome.ok) {
        return {false, QStringLiteral("Der Bericht konnte nicht erzeugt werden.")};
    }
    QFile made(scratch.fileName());
    if (!made.open(QIODevice::ReadOnly)) {
        return {false, made.errorString()};
    }
    return writeFileAtomically(path, made.readAll());
}

}  // namespace ostrevik
