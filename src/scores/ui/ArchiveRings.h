#pragma once

#include "analysis/ui/AnalysisExtensions.h"
#include "analysis/ui/RingKeeper.h"
#include "scores/DocumentRings.h"

namespace ostrevik {

// The rings of a document kept in the season archive, for the window
// "Analyse": a ring typed in that cannot be kept is explained to the user.
class ArchiveRingKeeper final : public RingKeeper {
    Q_OBJECT
public:
    ArchiveRingKeeper(MeasurementDocument& document, const QString& archivePath,
                      const QString& settingsPath, QObject* parent);

    const SessionScores& scores() const override { return rings_.scores(); }
    QString problem() const override;
    void reload() override { rings_.reload(); }
    void follow() override { rings_.follow(); }
    bool enter(QWidget* parent, int listIndex, const QString& text) override;
    bool importList(QWidget* parent, const SessionScores& scores) override;

private:
    DocumentRings rings_;
};

// The analysis' window and exports with the rings of the season archive at
// archivePath and its settings at settingsPath (empty: their default places):
// the window's keeper, the CSV's column "Ring" and the report's page
// "Ringe".
AnalysisExtensions withArchiveRings(AnalysisExtensions extensions,
                                    const QString& archivePath = QString(),
                                    const QString& settingsPath = QString());

}  // namespace ostrevik
