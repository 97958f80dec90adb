#include "analysis/ui/ReportPdf.h"

#include "common/PdfCheck.h"
#include "common/Texts.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPdfWriter>

namespace ostrevik {
namespace {

// The program's own texts, translated under the context "ReportPdf".
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(ReportPdf)
};

}  // namespace

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
        writer.setCreator(Texts::kOstrevik);
        writer.setTitle(Tr::tr("Trainingsbericht %1").arg(QFileInfo(path).completeBaseName()));
        outcome = paintTrainingReport(writer, input);
    }
    if (!outcome.ok || !pdfIncompleteReason(pdf).isEmpty()) {
        return {false, Tr::tr("Der Bericht konnte nicht erzeugt werden."), path};
    }
    return writeFileAtomically(path, pdf);
}

}  // namespace ostrevik
