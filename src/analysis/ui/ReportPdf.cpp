#include "analysis/ui/ReportPdf.h"

#include "common/PdfCheck.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPdfWriter>

namespace ostrevik {

FileWriteResult writeTrainingReportPdf(const QString& path, const ReportInput& input) {
    // The report is made in memory and checked whole; only then does it go
    // to disk, where the file is replaced only once every byte has arrived.
    QByteArray pdf;
    ReportOutcome outcome;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(1200);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setCreator(QStringLiteral("Ostrevik"));
        writer.setTitle(QStringLiteral("Trainingsbericht ") + QFileInfo(path).completeBaseName());
        outcome = paintTrainingReport(writer, input);
    }
    if (!outcome.ok || !pdfIncompleteReason(pdf).isEmpty()) {
        return {false, QStringLiteral("Der Bericht konnte nicht erzeugt werden."), path};
    }
    return writeFileAtomically(path, pdf);
}

}  // namespace ostrevik
