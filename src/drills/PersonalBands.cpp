#include "drills/PersonalBands.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchivedTakeUps.h"

#include <QFileInfo>

namespace ostrevik {
namespace {

BandRefusal tooFew(const DrillCriterion& c, int found, const QString& shooter) {
    BandRefusal r;
    r.kind = BandRefusal::Kind::TooFew;
    r.metric = c.metric;
    r.found = found;
    r.needed = c.last;
    r.shooter = shooter;
    return r;
}

// The first band criterion of a drill, for a refusal where the archive has
// nothing at all of the shooter.
const DrillCriterion* firstBand(const Drill& drill) {
    for (const DrillCriterion& c : drill.criteria) {
        if (c.kind == DrillCriterion::Kind::PersonalBand) {
            return &c;
        }
    }
    return nullptr;
}

}  // namespace

BandsResult personalBands(TrainingArchive& archive, const Drill& drill, const QString& path,
                          const QString& headerName) {
    BandsResult result;
    const DrillCriterion* first = firstBand(drill);
    if (!first) {
        return result;
    }
    const QString shooterName = headerName.trimmed();
    ArchiveError error;
    const std::optional<qint64> shooter = shooterOfFile(archive, path, shooterName, error);
    if (error.failed()) {
        result.refusal = {BandRefusal::Kind::Archive, first->metric, 0, 0, shooterName, error};
        return result;
    }
    if (!shooter) {
        result.refusal = tooFew(*first, 0, shooterName);
        return result;
    }
    for (const DrillCriterion& c : drill.criteria) {
        if (c.kind != DrillCriterion::Kind::PersonalBand) {
            continue;
        }
        const std::vector<double> values =
            latestMetricValues(archive, *shooter, c.metric, c.last, path, error);
        if (error.failed()) {
            result.refusal = {BandRefusal::Kind::Archive, c.metric, 0, 0, shooterName, error};
            result.bands.clear();
            return result;
        }
        if (static_cast<int>(values.size()) < c.last) {
            result.refusal = tooFew(c, static_cast<int>(values.size()), shooterName);
            result.bands.clear();
            return result;
        }
        result.bands.push_back(makePersonalBand(c.metric, values, c.k));
    }
    return result;
}

BandsResult personalBands(const QString& archivePath, const Drill& drill, const QString& path,
                          const QString& headerName) {
    const DrillCriterion* first = firstBand(drill);
    if (!first) {
        return {};
    }
    const QString file = TrainingArchive::pathOrDefault(archivePath);
    // A missing file is not made just to be looked into; a server is asked.
    ServerAddress address;
    if (readArchiveAddress(file, address) == AddressReading::Path && !QFileInfo::exists(file)) {
        return {{}, tooFew(*first, 0, headerName.trimmed())};
    }
    ArchiveError error;
    const auto archive = TrainingArchive::open(file, error);
    if (!archive) {
        return {{}, {BandRefusal::Kind::Archive, first->metric, 0, 0, headerName.trimmed(), error}};
    }
    return personalBands(*archive, drill, path, headerName);
}

}  // namespace ostrevik
