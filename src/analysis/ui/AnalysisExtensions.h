#pragma once

#include "analysis/TakeUpScore.h"
#include "analysis/TrainingReport.h"
#include "analysis/TrainingSession.h"

#include <QString>

#include <functional>
#include <span>
#include <vector>

class QObject;

namespace ostrevik {

class MeasurementDocument;
class RingKeeper;

// What the features that stand above the analysis (the rings in the season
// archive, the drills) add to its window and its exports. The program sets
// them once at its start; without them the window shows no rings and the
// exports are the analysis' own.
struct AnalysisExtensions {
    // The keeper of a document's rings, a child of parent. Unset: no rings.
    std::function<RingKeeper*(MeasurementDocument& document, QObject* parent)> ringKeeper;
    // The rings of a saved session by take-up number, for the CSV's column
    // "Ring"; problem: why they could not be read, in words.
    std::function<SessionScores(const TrainingSession& session, QString& problem)> ringsOf;
    // Pages each feature adds to the report after the sessions and their
    // comparison; problem: why a page is missing, in words.
    using ReportPages = std::function<std::vector<ReportPage>(
        std::span<const TrainingSession> sessions, const ReportInput& input, QString& problem)>;
    std::vector<ReportPages> reportPages;
};

const AnalysisExtensions& analysisExtensions();
void setAnalysisExtensions(AnalysisExtensions extensions);

// The keeper the extensions make for document, or one without rings.
RingKeeper* makeRingKeeper(const AnalysisExtensions& extensions, MeasurementDocument& document,
                           QObject* parent);

}  // namespace ostrevik
