#include "analysis/CsvExport.h"

#include "analysis/ScoreStatistics.h"
#include "common/NumberFormat.h"
#include "measurement/Rasters.h"

#include <QStringList>

namespace ostrevik {
namespace {

constexpr char kSeparator = ';';

QByteArray flag(bool on) {
    return on ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
}

}  // namespace

QByteArray takeUpsCsv(const SessionAnalysis& analysis, const SessionScores* scores) {
    QByteArray out = "Nr;Schuss;Tonschwelle";
    for (Metric m : kMetrics) {
        out += kSeparator;
        out += metricName(m).toUtf8();
    }
    for (Tag t : kTags) {
        out += kSeparator;
        out += tagName(t).toUtf8();
    }
    if (scores) {
        out += ";Ring";
    }
    out += '\n';
    for (const TakeUpMetrics& row : analysis.rows) {
        out += QByteArray::number(row.number());
        out += kSeparator;
        out += flag(row.hasShot());
        out += kSeparator;
        out += QByteArray::number(row.Tonschwelle & 0xFF);
        for (Metric m : kMetrics) {
            out += kSeparator;
            out += formatMetricValue(m, row.value(m)).toUtf8();
        }
        for (Tag t : kTags) {
            out += kSeparator;
            out += flag(row.has(t));
        }
        if (scores) {
            out += kSeparator;
            if (const TakeUpScore* score = scoreOf(*scores, row)) {
                out += ringText(score->ring).toUtf8();
            }
        }
        out += '\n';
    }
    return out;
}

QByteArray samplesCsv(const Rasters_t& list) {
    QByteArray out = "Nr;Index;Zeit_s;Wert;Druck;Schuss\n";
    for (int r = 0; r + 1 < list.Anzahl(); ++r) {
        const QByteArray nr = QByteArray::number(r + 1) + kSeparator;
        const std::vector<uint8_t>& werte = list.Datensatz(r).Werte;
        for (size_t i = 0; i < werte.size(); ++i) {
            const uint8_t v = werte[i];
            const bool shot = v == kShotMark;
            out += nr;
            out += QByteArray::number(static_cast<qulonglong>(i));
            out += kSeparator;
            out += decimalCommaText(static_cast<double>(i) * kSecondsPerSample, 3).toLatin1();
            out += kSeparator;
            out += QByteArray::number(v);
            out += kSeparator;
            if (!shot) {
                out += decimalCommaText(pressurePercent(v), 1).toLatin1();
            }
            out += kSeparator;
            out += flag(shot);
            out += '\n';
        }
    }
    return out;
}

CsvFileNames csvFileNames(const QString& prefix) {
    return {prefix + QStringLiteral("-takeups.csv"), prefix + QStringLiteral("-samples.csv")};
}

QString csvPrefixFor(const QString& chosenPath) {
    for (const QString& ending :
         {QStringLiteral("-takeups.csv"), QStringLiteral("-samples.csv"), QStringLiteral(".csv")}) {
        if (chosenPath.endsWith(ending, Qt::CaseInsensitive) && chosenPath.size() > ending.size()) {
            return chosenPath.left(chosenPath.size() - ending.size());
        }
    }
    return chosenPath;
}

CsvExportResult writeCsvExport(const QString& prefix, const SessionAnalysis& analysis,
                               const Rasters_t& list, const SessionScores* scores) {
    const CsvFileNames names = csvFileNames(prefix);
    CsvExportResult result;
    // Both files are made in memory first, so nothing is written when there
    // is not even room to make them.
    const QByteArray takeUps = takeUpsCsv(analysis, scores);
    const QByteArray samples = samplesCsv(list);
    const FileContent files[] = {{names.takeUps, takeUps}, {names.samples, samples}};
    const FileWriteResult w = writeFilesAtomically(files);
    if (!w.ok) {
        result.failedPath = w.path;
        result.reason = w.reason;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace ostrevik
