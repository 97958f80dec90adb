#include "scores/ScoreExport.h"

#include "common/NumberFormat.h"

namespace ostrevik {
namespace {

constexpr int kDecimals = 3;

QByteArray figure(const std::optional<double>& value) {
    return value ? decimalCommaText(*value, kDecimals).toUtf8() : QByteArray();
}

QByteArray line(const char* art, const QString& name, int n, const std::optional<double>& value,
                const std::optional<double>& low, const std::optional<double>& high) {
    return QByteArray(art) + ';' + name.toUtf8() + ';' + QByteArray::number(n) + ';' +
           figure(value) + ';' + figure(low) + ';' + figure(high) + '\n';
}

}  // namespace

QByteArray scoreAnalysisCsv(const ScoreTable& table) {
    QByteArray out = "Art;Name;n;Wert;KI_unten;KI_oben\n";
    for (const MetricScoreRow& row : table.metrics) {
        const Correlation& c = row.correlation;
        out += line("Korrelation", metricName(row.metric), c.n, c.r, c.low, c.high);
    }
    for (const TagScoreRow& row : table.tags) {
        const MeanDifference& d = row.difference;
        out +=
            line("Differenz", tagName(row.tag), d.nWith + d.nWithout, d.difference, d.low, d.high);
    }
    return out;
}

FileWriteResult writeScoreAnalysisCsv(const QString& path, const ScoreTable& table) {
    return writeFileAtomically(path, scoreAnalysisCsv(table));
}

}  // namespace ostrevik
