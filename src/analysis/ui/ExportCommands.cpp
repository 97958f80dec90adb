#include "analysis/ui/ExportCommands.h"

#include "analysis/CsvExport.h"
#include "analysis/ui/AnalysisExtensions.h"
#include "analysis/ui/ReportPdf.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "common/ui/WaitCursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ostrevik {
namespace {

// The program's own texts, translated under the context "ExportCommands".
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(ExportCommands)
};

void saveFailed(QWidget* parent, const QString& path, const QString& reason) {
    modalUi().message(parent, Texts::FileNotSaved(path, reason), Texts::kFehler,
                      MessageButtons::Ok);
}

// The file was written, but without the rings the archive could not give.
void withoutRings(QWidget* parent, const QString& problem) {
    modalUi().message(parent,
                      Tr::tr("Die Ringe konnten nicht aus dem Trainingsarchiv gelesen werden; "
                             "die Datei ist ohne sie geschrieben.\n%1")
                          .arg(problem),
                      Texts::kWarnung, MessageButtons::Ok);
}

}  // namespace

QString vorgeschlagenerName(const QString& dateiname, const QString& suffix) {
    const QFileInfo info(dateiname);
    return info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + suffix);
}

bool CsvExportieren(QWidget* parent, const TrainingSession& session,
                    const DisplaySettings& display) {
    FileDialogRequest request;
    request.caption = Tr::tr("Als CSV exportieren (NAME-takeups.csv und NAME-samples.csv)");
    request.initialPath = vorgeschlagenerName(session.Dateiname, QStringLiteral("csv"));
    request.filter = Tr::tr("CSV-Datei (*.csv)");
    request.defaultSuffix = QStringLiteral("csv");
    const QString chosen = modalUi().saveFileName(parent, request);
    if (chosen.isEmpty()) {
        return false;
    }
    const QString prefix = csvPrefixFor(chosen);
    const CsvFileNames names = csvFileNames(prefix);
    // The dialog asked only about the name typed in; the two files written
    // have names of their own.
    QStringList existing;
    for (const QString& path : {names.takeUps, names.samples}) {
        if (QFileInfo::exists(path) && QFileInfo(path) != QFileInfo(chosen)) {
            existing << path;
        }
    }
    if (!existing.isEmpty() &&
        modalUi().message(
            parent,
            Tr::tr("Vorhandene Dateien ersetzen?\n%1").arg(existing.join(QLatin1Char('\n'))),
            Texts::kWarnung, MessageButtons::YesNo) != MessageAnswer::Yes) {
        return false;
    }
    CsvExportResult result;
    QString ringProblem;
    {
        const WaitCursor wait;
        const SessionAnalysis analysis =
            analyseSession(session, display.secondsBeforeShot, loadAnalysisSettings());
        // The column Ring as the command line writes it, empty without rings.
        const AnalysisExtensions& extensions = analysisExtensions();
        const SessionScores scores =
            extensions.ringsOf ? extensions.ringsOf(session, ringProblem) : SessionScores();
        result = writeCsvExport(prefix, analysis, *session.Liste, &scores);
    }
    if (!result.ok) {
        saveFailed(parent, result.failedPath, result.reason);
    } else if (!ringProblem.isEmpty()) {
        withoutRings(parent, ringProblem);
    }
    return result.ok;
}

bool BerichtExportieren(QWidget* parent, std::span<const TrainingSession> sessions,
                        const DisplaySettings& display, const QString& userName) {
    if (sessions.empty()) {
        return false;
    }
    FileDialogRequest request;
    request.caption = Tr::tr("Bericht als PDF");
    request.initialPath = vorgeschlagenerName(sessions.front().Dateiname, QStringLiteral("pdf"));
    request.filter = Tr::tr("PDF-Datei (*.pdf)");
    request.defaultSuffix = QStringLiteral("pdf");
    const QString path = modalUi().saveFileName(parent, request);
    if (path.isEmpty()) {
        return false;
    }
    ReportInput input;
    input.userName = userName;
    input.sessions = sessions;
    input.display = display;
    input.settings = loadAnalysisSettings();
    FileWriteResult result;
    QString pageProblem;
    {
        const WaitCursor wait;
        // The rings' and the drills' pages; the archive's failure is said
        // once.
        for (const auto& pages : analysisExtensions().reportPages) {
            QString problem;
            for (ReportPage& page : pages(sessions, input, problem)) {
                input.extraPages.push_back(std::move(page));
            }
            if (pageProblem.isEmpty()) {
                pageProblem = problem;
            }
        }
        result = writeTrainingReportPdf(path, input);
    }
    if (!result.ok) {
        saveFailed(parent, path, result.reason);
    } else if (!pageProblem.isEmpty()) {
        withoutRings(parent, pageProblem);
    }
    return result.ok;
}

}  // namespace ostrevik
