#pragma once

#include "analysis/ScoreStatistics.h"
#include "common/AtomicFile.h"

#include <QByteArray>
#include <QString>

namespace ostrevik {

// The score analysis for spreadsheets: Art;Name;n;Wert;KI_unten;KI_oben with
// semicolons, decimal commas (three decimals), UTF-8 and "\n" line ends; one
// line per metric (Art "Korrelation", Name the metric's column name, Wert
// Pearson's r, the interval by Fisher's z), then one per fault tag (Art
// "Differenz", Name the tag, n both groups together, Wert the mean ring
// with the tag minus without, Welch's interval). A figure that does not
// exist is an empty field.
QByteArray scoreAnalysisCsv(const ScoreTable& table);

// Writes it whole or not at all: an earlier file of that name stays as it
// was when the new one cannot be written.
FileWriteResult writeScoreAnalysisCsv(const QString& path, const ScoreTable& table);

}  // namespace ostrevik
