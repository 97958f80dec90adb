#include "drills/DrillReport.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveScores.h"
#include "drills/DrillKeeping.h"
#include "drills/DrillTexts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>

namespace ostrevik {
namespace {

struct Tr {
    Q_DECLARE_TR_FUNCTIONS(Drills)
};

}  // namespace

std::vector<TakeUpVerdict> keptVerdicts(const ArchivedDrillRun& run, const Drill& drill) {
    std::vector<TakeUpVerdict> out;
    for (const ArchivedDrillVerdict& v : run.verdicts) {
        TakeUpVerdict t;
        t.number = v.takeUp;
        t.judged = v.passed.has_value();
        t.passed = v.passed.value_or(false);
        for (const QString& name : v.missed) {
            for (const DrillCriterion& c : drill.criteria) {
                if (c.name() == name) {
                    t.missed.push_back({c, std::nullopt, std::nullopt, std::nullopt});
                    break;
                }
            }
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::optional<ReportPage> trainingDrillPage(const QString& archivePath,
                                            std::span<const TrainingSession> sessions,
                                            ArchiveError& error) {
    const QString path = TrainingArchive::pathOrDefault(archivePath);
    if (!QFileInfo::exists(path)) {
        return std::nullopt;
    }
    const auto archive = TrainingArchive::open(path, error);
    if (!archive) {
        return std::nullopt;
    }
    std::vector<ReportedDrillRun> runs;
    for (const TrainingSession& s : sessions) {
        const std::optional<qint64> id = sessionOfFile(*archive, s.Dateiname, error);
        if (error.failed()) {
            return std::nullopt;
        }
        std::vector<ArchivedDrillRun> kept;
        if (id && !loadDrillRuns(*archive, *id, kept, error)) {
            return std::nullopt;
        }
        for (ArchivedDrillRun& r : kept) {
            runs.push_back({QFileInfo(s.Dateiname).fileName(), s.datumText(), std::move(r)});
        }
    }
    if (runs.empty()) {
        return std::nullopt;
    }
    return ReportPage{
        Tr::tr("Übung"), [runs = std::move(runs)](QPainter& p, const QRectF& r) {
            double y =
                paintParagraph(p, r, r.top(), reportFont(14, true), Qt::black, Tr::tr("Übung"));
            for (const ReportedDrillRun& d : runs) {
                if (y > r.bottom()) {
                    break;  // a page holds what fits; the archive keeps the rest
                }
                y += 8;
                y = paintParagraph(p, r, y, reportFont(10, true), Qt::black,
                                   QStringLiteral("%1 – %2 – %3").arg(d.date, d.file, d.run.name));
                const std::optional<KeptDrill> kept = keptDrill(d.run.drill.toUtf8());
                if (!kept) {
                    y = paintParagraph(p, r, y, reportFont(10), kReportGrey,
                                       DrillTexts::KeptDrillUnreadable(d.run.name));
                    continue;
                }
                QStringList goals;
                for (const DrillCriterion& c : kept->drill.criteria) {
                    goals << DrillTexts::Criterion(c);
                }
                y = paintParagraph(p, r, y, reportFont(9), kReportGrey,
                                   goals.join(QStringLiteral("; ")));
                y = paintParagraph(
                    p, r, y, reportFont(10), Qt::black,
                    DrillTexts::Summary(kept->drill, keptVerdicts(d.run, kept->drill),
                                        d.run.finished));
            }
        }};
}

}  // namespace ostrevik
