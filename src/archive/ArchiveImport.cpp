#include "archive/ArchiveImport.h"

#include "analysis/HeaderDate.h"
#include "analysis/LiveAnalysis.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/TakeUpScore.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveFileCopies.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSessions.h"
#include "measurement/MeasurementFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace ostrevik {
namespace {

// A measurement file read and analysed, before anything is written.
struct ReadFile {
    QByteArray bytes;  // the whole file, kept in the archive once per hash
    QByteArray hash;
    qint64 size = 0;
    Dateiheader_t kopf{};
    QDate date;
    SessionAnalysis analysis;
    std::vector<uint64_t> records;  // the records' fingerprints, in order
    int shots = 0;
};

// Reads and analyses a file with the code of the analysis window. False with
// the refusal in `result` when it is missing, unreadable or no measurement
// file.
bool readMeasurementFile(const QString& path, const AnalysisSettings& settings, ReadFile& out,
                         FileImport& result, const LiveAnalysis* known) {
    const QFileInfo info(path);
    if (!info.exists()) {
        result.refusal = ImportRefusal::Missing;
        return false;
    }
    if (info.size() > kMaxDateiGroesse) {
        result.refusal = ImportRefusal::TooLarge;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.refusal = ImportRefusal::Unreadable;
        result.detail = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.refusal = ImportRefusal::Unreadable;
        result.detail = file.errorString();
        return false;
    }
    QByteArray data;
    if (!KopfUndDatenAusBytes(out.kopf, bytes, data)) {
        result.refusal = ImportRefusal::WrongType;
        return false;
    }
    out.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    out.bytes = bytes;
    out.size = bytes.size();
    // Every sample counts for the figures, as for the exports.
    Rasters_t list(50, 4, 60, 60);
    list.Anhaengen();
    DatenInListe(list, data, kMaxDatensaetze, Kapazitaet::AlleWerte);
    out.records = recordFingerprints(list);
    // The document just saved was measured take-up by take-up while it was
    // captured; its analysis holds when the file has its very records. The
    // overlay's reach does not enter any metric; the default will do.
    if (known && known->settings() == settings && known->fingerprints() == out.records) {
        out.analysis = known->analysis();
    } else {
        out.analysis =
            analyseDocument(list, DisplaySettings::defaults().secondsBeforeShot, settings);
    }
    out.shots = static_cast<int>(std::ranges::count_if(
        out.analysis.rows, [](const TakeUpMetrics& m) { return m.hasShot(); }));
    const std::optional<QDate> headerDate = parseHeaderDate(out.kopf.datum());
    out.date = headerDate ? *headerDate : info.lastModified().date();
    return true;
}

struct Known {
    qint64 id = 0;
    QByteArray hash;
    bool shooterSet = false;
    bool withoutCopy = false;  // the archive has no copy of its file
};

class Importer {
public:
    Importer(TrainingArchive& archive, const AnalysisSettings& settings)
        : archive_(archive), settings_(settings), takeUp_(archive.db()) {
        QString columns;
        QString values;
        QString updates;
        for (Metric m : kMetrics) {
            const QString name = metricName(m);
            columns += QStringLiteral(", ") + name;
            values += QStringLiteral(", ?");
            updates += QStringLiteral(", %1 = excluded.%1").arg(name);
        }
        // An update of a changed file overwrites take-ups in place, by
        // number, so that what refers to a take-up by session and number
        // stays with it.
        takeUp_.prepare(
            QStringLiteral("INSERT INTO druckpunktnahme (sitzung_id, nr, schuss, tonschwelle%1, "
                           "Zucken, Nachlassen, Unruhig) VALUES (?, ?, ?, ?%2, ?, ?, ?) "
                           "ON CONFLICT (sitzung_id, nr) DO UPDATE SET schuss = excluded.schuss, "
                           "tonschwelle = excluded.tonschwelle%3, Zucken = excluded.Zucken, "
                           "Nachlassen = excluded.Nachlassen, Unruhig = excluded.Unruhig")
                .arg(columns, values, updates));
    }

    // False only when the archive failed (error set); a refused file is an
    // outcome.
    bool importFile(const QString& path, FileImport& result, ArchiveError& error,
                    std::vector<uint64_t>* records = nullptr,
                    const LiveAnalysis* analysed = nullptr) {
        result.path = path;
        ReadFile file;
        if (!readMeasurementFile(path, settings_, file, result, analysed)) {
            result.outcome = ImportOutcome::Refused;
            return true;
        }
        if (records) {
            *records = file.records;
        }
        std::optional<Known> known;
        if (!lookup(QStringLiteral("SELECT id, hash, schuetze_gesetzt, datei_fehlt FROM sitzung "
                                   "WHERE pfad = ?"),
                    path, known, error)) {
            return false;
        }
        if (known && known->hash == file.hash) {
            // A file that was gone when the archive began to keep copies
            // is here again: its copy is taken now.
            if (known->withoutCopy && !inTransaction(archive_, error, [&] {
                    return storeFileCopy(archive_, file.hash, file.bytes, error);
                })) {
                return false;
            }
            result.outcome = ImportOutcome::Unchanged;
            result.sessionId = known->id;
            return true;
        }
        if (!known) {
            // The same content under another path: that session's file was
            // moved here, or this is a copy of it.
            QSqlQuery q(archive_.db());
            q.prepare(QStringLiteral("SELECT id, pfad FROM sitzung WHERE hash = ?"));
            q.addBindValue(file.hash);
            if (!execQuery(archive_, q, error)) {
                return false;
            }
            std::optional<qint64> vanished;
            std::optional<qint64> copyOf;
            while (q.next()) {
                if (QFileInfo::exists(q.value(1).toString())) {
                    copyOf = q.value(0).toLongLong();
                } else if (!vanished) {
                    vanished = q.value(0).toLongLong();
                }
            }
            if (vanished) {
                return move(*vanished, path, file, result, error);
            }
            if (copyOf) {
                result.outcome = ImportOutcome::Unchanged;
                result.sessionId = *copyOf;
                return true;
            }
        }
        return write(path, file, known, result, error);
    }

    // As importFile, tried again when another PC's transaction got in the
    // way on the server (the same file or new shooter at the same moment):
    // the second try finds what the other wrote. The path is a copy: the
    // caller's may be the result's own, which each try clears.
    bool importFileAgain(const QString path, FileImport& result, ArchiveError& error,
                         std::vector<uint64_t>* records = nullptr,
                         const LiveAnalysis* analysed = nullptr) {
        constexpr int kTries = 4;
        for (int attempt = 1;; ++attempt) {
            error = {};
            result = {};
            conflict_ = false;
            if (importFile(path, result, error, records, analysed)) {
                return true;
            }
            const bool again =
                conflict_ || (archive_.onServer() && error.kind == ArchiveError::Kind::Locked);
            if (!again || attempt == kTries) {
                return false;
            }
        }
    }

private:
    bool lookup(const QString& sql, const QString& path, std::optional<Known>& known,
                ArchiveError& error) {
        QSqlQuery q(archive_.db());
        q.prepare(sql);
        q.addBindValue(path);
        if (!execQuery(archive_, q, error)) {
            return false;
        }
        if (q.next()) {
            known = Known{q.value(0).toLongLong(), q.value(1).toByteArray(), q.value(2).toBool(),
                          q.value(3).toBool()};
        }
        return true;
    }

    bool move(qint64 id, const QString& path, const ReadFile& file, FileImport& result,
              ArchiveError& error) {
        const bool moved = inTransaction(archive_, error, [&] {
            QSqlQuery q(archive_.db());
            q.prepare(QStringLiteral("UPDATE sitzung SET pfad = ? WHERE id = ?"));
            q.addBindValue(path);
            q.addBindValue(id);
            return execQuery(archive_, q, error) &&
                   storeFileCopy(archive_, file.hash, file.bytes, error);
        });
        if (!moved) {
            return false;
        }
        result.outcome = ImportOutcome::Updated;
        result.moved = true;
        result.sessionId = id;
        return true;
    }

    bool write(const QString& path, const ReadFile& file, const std::optional<Known>& known,
               FileImport& result, ArchiveError& error) {
        qint64 id = 0;
        const bool written = inTransaction(
            archive_, error, [&] { return writeSession(path, file, known, id, error); });
        if (!written) {
            return false;
        }
        result.outcome = known ? ImportOutcome::Updated : ImportOutcome::Added;
        result.sessionId = id;
        return true;
    }

    // The session's row and its take-ups, inside the caller's transaction.
    bool writeSession(const QString& path, const ReadFile& file, const std::optional<Known>& known,
                      qint64& id, ArchiveError& error) {
        std::optional<qint64> shooter;
        if (!known || !known->shooterSet) {
            shooter = shooterForName(archive_, file.kopf.name().trimmed(), error);
            if (!shooter) {
                return false;
            }
        }
        QSqlQuery s(archive_.db());
        if (known) {
            s.prepare(
                QStringLiteral("UPDATE sitzung SET hash = :hash, groesse = :groesse, "
                               "schuetze_id = COALESCE(:schuetze, schuetze_id), datum = :datum, "
                               "kopf_name = :name, kopf_datum = :kdatum, kopf_text = :text, "
                               "druckpunktnahmen = :n, schuesse = :schuesse, aufgenommen = :jetzt "
                               "WHERE id = :id"));
            s.bindValue(QStringLiteral(":id"), known->id);
        } else {
            s.prepare(
                QStringLiteral(
                    "INSERT INTO sitzung (pfad, hash, groesse, schuetze_id, datum, kopf_name, "
                    "kopf_datum, kopf_text, druckpunktnahmen, schuesse, aufgenommen) VALUES "
                    "(:pfad, "
                    ":hash, :groesse, :schuetze, :datum, :name, :kdatum, :text, :n, :schuesse, "
                    ":jetzt) ON CONFLICT (pfad) DO NOTHING") +
                archive_.dialect().returningId());
            s.bindValue(QStringLiteral(":pfad"), path);
        }
        s.bindValue(QStringLiteral(":hash"), file.hash);
        s.bindValue(QStringLiteral(":groesse"), file.size);
        s.bindValue(QStringLiteral(":schuetze"),
                    shooter ? QVariant(*shooter) : QVariant(QMetaType(QMetaType::LongLong)));
        s.bindValue(QStringLiteral(":datum"), file.date.toString(kArchiveDateFormat));
        s.bindValue(QStringLiteral(":name"), file.kopf.name());
        s.bindValue(QStringLiteral(":kdatum"), file.kopf.datum());
        s.bindValue(QStringLiteral(":text"), file.kopf.text());
        s.bindValue(QStringLiteral(":n"), static_cast<int>(file.analysis.rows.size()));
        s.bindValue(QStringLiteral(":schuesse"), file.shots);
        s.bindValue(QStringLiteral(":jetzt"), QDateTime::currentDateTime().toString(Qt::ISODate));
        if (!execQuery(archive_, s, error)) {
            return false;
        }
        if (known) {
            id = known->id;
        } else if (const std::optional<qint64> made = archive_.dialect().insertedId(s)) {
            id = *made;
        } else {
            // Another program took the same file in since it was looked up:
            // given up without a failed statement, and tried again.
            conflict_ = true;
            error = {ArchiveError::Kind::Locked, archive_.path(), {}, 0};
            return false;
        }
        s.finish();
        if (!storeFileCopy(archive_, file.hash, file.bytes, error)) {
            return false;
        }
        // The rings go with their take-ups: read before the take-ups change,
        // put back onto the records as they are now.
        SessionScores scores;
        if (known && !loadSessionScores(archive_, id, scores, error)) {
            return false;
        }
        for (const TakeUpMetrics& m : file.analysis.rows) {
            int k = 0;
            takeUp_.bindValue(k++, id);
            takeUp_.bindValue(k++, m.number());
            takeUp_.bindValue(k++, m.hasShot() ? 1 : 0);
            takeUp_.bindValue(k++, static_cast<int>(m.Tonschwelle & 0xFF));
            for (Metric metric : kMetrics) {
                const std::optional<double> v = m.value(metric);
                takeUp_.bindValue(k++, v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double)));
            }
            for (Tag tag : kTags) {
                takeUp_.bindValue(k++, m.has(tag) ? 1 : 0);
            }
            if (!execQuery(archive_, takeUp_, error)) {
                return false;
            }
        }
        takeUp_.finish();
        if (known) {
            QSqlQuery d(archive_.db());
            d.prepare(
                QStringLiteral("DELETE FROM druckpunktnahme WHERE sitzung_id = ? AND nr > ?"));
            d.addBindValue(id);
            d.addBindValue(static_cast<int>(file.analysis.rows.size()));
            if (!execQuery(archive_, d, error) ||
                !followSessionRecords(archive_, id, scores, file.records, error) ||
                !followDrillRecords(archive_, id, file.records, error) ||
                !dropEmptyShooters(archive_, error) || !dropUnusedFileCopies(archive_, error)) {
                return false;
            }
        }
        return true;
    }

    TrainingArchive& archive_;
    const AnalysisSettings& settings_;
    QSqlQuery takeUp_;
    bool conflict_ = false;  // the file's session was made by another program meanwhile
};

}  // namespace

QString absolutePath(const QFileInfo& info) {
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QStringList collectMeasurementFiles(const QStringList& paths, QStringList& missing) {
    QStringList files;
    for (const QString& p : paths) {
        const QFileInfo info(p);
        if (info.isDir()) {
            QStringList found;
            QDirIterator it(info.absoluteFilePath(), {QStringLiteral("*.pvo")},
                            QDir::Files | QDir::Readable | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                it.next();
                found << absolutePath(it.fileInfo());
            }
            found.sort();
            files << found;
        } else if (info.exists()) {
            files << absolutePath(info);
        } else {
            missing << info.absoluteFilePath();
        }
    }
    files.removeDuplicates();
    return files;
}

FileImport importFile(TrainingArchive& archive, const QString& path,
                      const AnalysisSettings& settings, ArchiveError& archiveError,
                      std::vector<uint64_t>* records, const LiveAnalysis* known) {
    FileImport r;
    const QFileInfo info(path);
    r.path = absolutePath(info);
    if (archive.readOnly()) {
        archiveError = archive.whyReadOnly();
        return r;
    }
    Importer importer(archive, settings);
    if (!importer.importFileAgain(r.path, r, archiveError, records, known)) {
        r.outcome = ImportOutcome::Refused;
        r.sessionId = 0;
    }
    return r;
}

ImportSummary importPaths(TrainingArchive& archive, const QStringList& paths,
                          const AnalysisSettings& settings,
                          const std::function<bool(int done, int total)>& progress) {
    ImportSummary summary;
    QStringList missing;
    const QStringList files = collectMeasurementFiles(paths, missing);
    for (const QString& m : missing) {
        FileImport r;
        r.path = m;
        r.refusal = ImportRefusal::Missing;
        summary.refused.push_back(r);
    }
    if (archive.readOnly()) {
        if (!files.isEmpty()) {
            summary.archiveError = archive.whyReadOnly();
        }
        return summary;
    }
    Importer importer(archive, settings);
    for (qsizetype i = 0; i < files.size(); ++i) {
        FileImport r;
        ArchiveError error;
        if (!importer.importFileAgain(files[i], r, error)) {
            summary.archiveError = error;
            summary.notTaken = files.mid(i);
            break;
        }
        switch (r.outcome) {
            case ImportOutcome::Added:
                ++summary.added;
                break;
            case ImportOutcome::Updated:
                ++summary.updated;
                summary.moved += r.moved ? 1 : 0;
                break;
            case ImportOutcome::Unchanged:
                ++summary.unchanged;
                break;
            case ImportOutcome::Refused:
                summary.refused.push_back(r);
                break;
        }
        if (progress && !progress(static_cast<int>(i + 1), static_cast<int>(files.size()))) {
            break;
        }
    }
    return summary;
}

}  // namespace ostrevik
