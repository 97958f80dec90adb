#pragma once

#include "analysis/SessionAnalysis.h"
#include "analysis/TakeUpScore.h"
#include "common/AtomicFile.h"

#include <QByteArray>
#include <QString>

namespace ostrevik {

class Rasters_t;

// The two files of a session for spreadsheets: semicolons, decimal comma,
// UTF-8, one header line, "\n" line ends, empty fields for missing values.

// One line per completed take-up: Nr;Schuss;Tonschwelle;<the metrics in
// their column order>;Zucken;Nachlassen;Unruhig. Schuss and the tags are 0 or
// 1, Tonschwelle is the raw byte. Given the session's scores, a last column
// Ring follows, empty for a take-up without a score.
QByteArray takeUpsCsv(const SessionAnalysis& analysis, const SessionScores* scores = nullptr);

// One line per sample of every completed record: Nr;Index;Zeit_s;Wert;Druck;
// Schuss. Zeit_s with three decimals, Wert the raw byte, Druck its percentage
// with one decimal; a shot slot has Wert 255, an empty Druck and Schuss 1.
QByteArray samplesCsv(const Rasters_t& list);

struct CsvFileNames {
    QString takeUps;  // PREFIX-takeups.csv
    QString samples;  // PREFIX-samples.csv
};
CsvFileNames csvFileNames(const QString& prefix);

// The prefix for a name chosen in a save dialog: "training.csv",
// "training-takeups.csv" and "training" all give "training".
QString csvPrefixFor(const QString& chosenPath);

struct CsvExportResult {
    bool ok = false;
    QString failedPath;  // the file that could not be written
    QString reason;
};

// Writes both files or neither: when one cannot be written, no file of the
// pair is left under its name and an earlier pair stays as it was.
CsvExportResult writeCsvExport(const QString& prefix, const SessionAnalysis& analysis,
                               const Rasters_t& list, const SessionScores* scores = nullptr);

}  // namespace ostrevik
