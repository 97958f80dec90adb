#pragma once

#include "analysis/TrainingReport.h"
#include "common/AtomicFile.h"

#include <QString>

namespace ostrevik {

// Writes the training report to a PDF file, A4 portrait, through the printer
// in PDF mode. The file is replaced atomically: a failure leaves an earlier
// file of that name intact.
FileWriteResult writeTrainingReportPdf(const QString& path, const ReportInput& input);

}  // namespace ostrevik
