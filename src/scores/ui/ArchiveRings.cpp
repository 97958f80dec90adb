#include "scores/ui/ArchiveRings.h"

#include "archive/ArchiveTexts.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "scores/DocumentScores.h"
#include "scores/ScoreTexts.h"

namespace ostrevik {

ArchiveRingKeeper::ArchiveRingKeeper(MeasurementDocument& document, const QString& archivePath,
                                     const QString& settingsPath, QObject* parent)
    : RingKeeper(parent), rings_(document, archivePath, settingsPath) {
    connect(&rings_, &DocumentRings::changed, this, &RingKeeper::changed);
}

QString ArchiveRingKeeper::problem() const {
    return rings_.problem().ok() ? QString() : ArchiveTexts::Problem(rings_.problem());
}

bool ArchiveRingKeeper::enter(QWidget* parent, int listIndex, const QString& text) {
    const RingEntry entry = rings_.enter(listIndex, text);
    if (const QString why = ScoreTexts::RingNotEntered(entry, text); !why.isEmpty()) {
        modalUi().message(parent, why, Texts::kMeldung, MessageButtons::Ok);
    }
    return entry.kept();
}

bool ArchiveRingKeeper::importList(QWidget* parent, const SessionScores& scores) {
    const RingStore store = rings_.importList(scores);
    if (!store.ok()) {
        modalUi().message(parent, ScoreTexts::RingNotStored(store), Texts::kFehler,
                          MessageButtons::Ok);
    }
    return store.ok();
}

AnalysisExtensions withArchiveRings(AnalysisExtensions extensions, const QString& archivePath,
                                    const QString& settingsPath) {
    extensions.ringKeeper = [archivePath, settingsPath](MeasurementDocument& document,
                                                        QObject* parent) -> RingKeeper* {
        return new ArchiveRingKeeper(document, archivePath, settingsPath, parent);
    };
    extensions.ringsOf = [archivePath](const TrainingSession& session, QString& problem) {
        SessionScores scores;
        ArchiveError error;
        scoresOfFile(archivePath, session.Dateiname, recordFingerprints(*session.Liste), scores,
                     error);
        if (error.failed()) {
            problem = ArchiveTexts::Problem(error);
        }
        return scores;
    };
    extensions.reportPages.push_back([archivePath](std::span<const TrainingSession> sessions,
                                                   const ReportInput& input, QString& problem) {
        std::vector<ReportPage> pages;
        ArchiveError error;
        if (auto page = trainingScorePage(archivePath, sessions, input.display.secondsBeforeShot,
                                          input.settings, error)) {
            pages.push_back(std::move(*page));
        }
        if (error.failed()) {
            problem = ArchiveTexts::Problem(error);
        }
        return pages;
    });
    return extensions;
}

}  // namespace ostrevik
