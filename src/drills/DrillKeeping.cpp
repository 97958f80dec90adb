#include "drills/DrillKeeping.h"

#include "analysis/LiveAnalysis.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchivedTakeUps.h"
#include "drills/DrillFile.h"
#include "drills/DrillRun.h"
#include "drills/PersonalBands.h"
#include "measurement/MeasurementDocument.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ostrevik {
namespace {

const QString kDrillKey = QStringLiteral("uebung");
const QString kBandsKey = QStringLiteral("baender");
const QString kMetric = QStringLiteral("metric");
const QString kCount = QStringLiteral("anzahl");
const QString kMedian = QStringLiteral("median");
const QString kSpread = QStringLiteral("streuung");
const QString kK = QStringLiteral("k");
const QString kLow = QStringLiteral("von");
const QString kHigh = QStringLiteral("bis");

}  // namespace

QByteArray keptDrillText(const Drill& drill, const PersonalBands& bands) {
    QJsonArray list;
    for (const PersonalBand& b : bands) {
        QJsonObject o;
        o.insert(kMetric, metricName(b.metric));
        o.insert(kCount, b.count);
        o.insert(kMedian, b.median);
        o.insert(kSpread, b.spread);
        o.insert(kK, b.k);
        o.insert(kLow, b.low);
        o.insert(kHigh, b.high);
        list.append(o);
    }
    QJsonObject o;
    o.insert(kDrillKey, QJsonDocument::fromJson(drillJson(drill)).object());
    o.insert(kBandsKey, list);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<KeptDrill> keptDrill(const QByteArray& text) {
    const QJsonObject o = QJsonDocument::fromJson(text).object();
    if (!o.value(kDrillKey).isObject() || !o.value(kBandsKey).isArray()) {
        return std::nullopt;
    }
    // The drill is held to the rules of a drill file: an archive is a file
    // someone may have changed.
    DrillRead read = parseDrill(QJsonDocument(o.value(kDrillKey).toObject()).toJson());
    if (read.error.failed()) {
        return std::nullopt;
    }
    KeptDrill kept{std::move(read.drill), {}};
    for (const QJsonValue& v : o.value(kBandsKey).toArray()) {
        const QJsonObject b = v.toObject();
        const std::optional<Metric> metric = metricFromName(b.value(kMetric).toString());
        if (!metric) {
            return std::nullopt;
        }
        PersonalBand band;
        band.metric = *metric;
        band.count = b.value(kCount).toInt();
        band.median = b.value(kMedian).toDouble();
        band.spread = b.value(kSpread).toDouble();
        band.k = b.value(kK).toDouble();
        band.low = b.value(kLow).toDouble();
        band.high = b.value(kHigh).toDouble();
        kept.bands.push_back(band);
    }
    return kept;
}

ArchivedDrillRun archivedRun(const DrillRun& run) {
    ArchivedDrillRun a;
    a.key = run.key();
    a.name = run.drill().name;
    a.drill = QString::fromUtf8(keptDrillText(run.drill(), run.bands()));
    a.started = run.started().toString(Qt::ISODateWithMs);
    a.finished = run.isFinished();
    for (const DrillRun::Entry& e : run.entries()) {
        ArchivedDrillVerdict v;
        v.takeUp = e.verdict.number;
        v.record = e.record;
        if (e.verdict.judged) {
            v.passed = e.verdict.passed;
        }
        for (const MissedCriterion& m : e.verdict.missed) {
            v.missed << m.criterion.name();
        }
        a.verdicts.push_back(std::move(v));
    }
    return a;
}

DocumentDrills& DocumentDrills::of(MeasurementDocument& document) {
    if (auto* existing =
            document.findChild<DocumentDrills*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *existing;
    }
    return *new DocumentDrills(document);
}

DocumentDrills::DocumentDrills(MeasurementDocument& document)
    : QObject(&document), document_(document) {}

void DocumentDrills::follow(const DrillRun& run) {
    update(run);
    connect(&run, &DrillRun::verdictsChanged, this, [this, &run] { update(run); });
    connect(&run, &DrillRun::finished, this, [this, &run] { update(run); });
}

void DocumentDrills::update(const DrillRun& run) {
    ArchivedDrillRun now = archivedRun(run);
    for (ArchivedDrillRun& kept : runs_) {
        if (kept.key == now.key) {
            kept = std::move(now);
            return;
        }
    }
    runs_.push_back(std::move(now));
}

DrillRunsStore DocumentDrills::store(const QString& path, const QString& archivePath) {
    DrillRunsStore result;
    std::vector<ArchivedDrillRun> runs;
    // The document is the file just saved: its records are the session's.
    const std::vector<uint64_t>& records = LiveAnalysis::of(document_).fingerprints();
    for (const ArchivedDrillRun& r : runs_) {
        ArchivedDrillRun moved = r;
        moved.verdicts = followDrillVerdicts(r.verdicts, records);
        if (!moved.verdicts.empty()) {
            runs.push_back(std::move(moved));
        }
    }
    if (runs.empty()) {
        return result;
    }
    const QString archiveFile = TrainingArchive::pathOrDefault(archivePath);
    if (!QFileInfo::exists(archiveFile)) {
        result.kind = DrillRunsStore::Kind::NotArchived;
        return result;
    }
    const auto archive = TrainingArchive::open(archiveFile, result.archive);
    if (!archive) {
        result.kind = DrillRunsStore::Kind::Archive;
        return result;
    }
    const std::optional<qint64> session = sessionOfFile(*archive, path, result.archive);
    if (result.archive.failed()) {
        result.kind = DrillRunsStore::Kind::Archive;
        return result;
    }
    if (!session) {
        result.kind = DrillRunsStore::Kind::NotArchived;
        return result;
    }
    for (const ArchivedDrillRun& r : runs) {
        if (!storeDrillRun(*archive, *session, r, result.archive)) {
            result.kind = DrillRunsStore::Kind::Archive;
            return result;
        }
        ++result.runs;
    }
    return result;
}

std::optional<EarlierRuns> earlierRuns(const QString& archivePath, const QString& drillName,
                                       const QString& path, const QString& headerName,
                                       const QString& leaveOut, ArchiveError& error) {
    const QString file = TrainingArchive::pathOrDefault(archivePath);
    if (!QFileInfo::exists(file)) {
        return std::nullopt;
    }
    const auto archive = TrainingArchive::open(file, error);
    if (!archive) {
        return std::nullopt;
    }
    SessionFilter filter;
    filter.shooterId = shooterOfFile(*archive, path, headerName, error);
    if (!filter.shooterId) {
        return std::nullopt;
    }
    std::vector<SessionDrillRun> runs;
    if (!loadSessionDrillRuns(*archive, filter, runs, error, drillName)) {
        return std::nullopt;
    }
    EarlierRuns earlier;
    for (const SessionDrillRun& r : runs) {
        if (r.run.key == leaveOut) {
            continue;
        }
        ++earlier.runs;
        for (const ArchivedDrillVerdict& v : r.run.verdicts) {
            earlier.judged += v.passed ? 1 : 0;
            earlier.passed += v.passed.value_or(false) ? 1 : 0;
        }
    }
    return earlier;
}

DrillRun* startDrillRun(MeasurementDocument& document, Drill drill, PersonalBands bands,
                        QObject* parent) {
    auto* run =
        new DrillRun(LiveAnalysis::of(document), std::move(drill), std::move(bands), parent);
    DocumentDrills::of(document).follow(*run);
    return run;
}

}  // namespace ostrevik
