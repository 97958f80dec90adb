#include "drills/ui/DrillReportPage.h"

#include "archive/ArchiveTexts.h"
#include "drills/DrillReport.h"

namespace ostrevik {

AnalysisExtensions withDrillPage(AnalysisExtensions extensions, const QString& archivePath) {
    extensions.reportPages.push_back([archivePath](std::span<const TrainingSession> sessions,
                                                   const ReportInput&, QString& problem) {
        std::vector<ReportPage> pages;
        ArchiveError error;
        if (auto page = trainingDrillPage(archivePath, sessions, error)) {
            pages.push_back(std::move(*page));
        } else if (error.failed()) {
            problem = ArchiveTexts::Problem(error);
        }
        return pages;
    });
    return extensions;
}

}  // namespace ostrevik
