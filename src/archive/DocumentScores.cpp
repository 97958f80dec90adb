#include "archive/DocumentScores.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/ScorePage.h"
#include "analysis/SessionAnalysis.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSettings.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ostrevik {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("DocumentScores", text);
}

QString notImportedText() {
    return tr(
        "Ringe werden im Trainingsarchiv gespeichert, und das Aufnehmen gespeicherter "
        "Dateien ist ausgeschaltet. Die Datei zuerst mit „Trainingsarchiv → Dateien "
        "aufnehmen…“ ins Archiv aufnehmen.");
}

}  // namespace

bool scoresOfFile(TrainingArchive& archive, const QString& path, std::span<const uint64_t> records,
                  SessionScores& out, QString& error) {
    out.clear();
    const std::optional<qint64> session = sessionOfFile(archive, path, error);
    if (!error.isEmpty()) {
        return false;
    }
    if (!session) {
        return true;
    }
    SessionScores stored;
    if (!loadSessionScores(archive, *session, stored, error)) {
        return false;
    }
    out = followRecords(stored, records);
    return true;
}

namespace {

// The archive that may hold rings. None, and no error, when there is no
// archive file or it comes from a program that kept no rings.
std::unique_ptr<TrainingArchive> archiveWithRings(const QString& archivePath, QString& error) {
    const QString archiveFile = TrainingArchive::pathOrDefault(archivePath);
    if (!QFileInfo(archiveFile).isFile()) {
        return nullptr;
    }
    auto archive = TrainingArchive::open(archiveFile, error);
    if (archive && archive->schemaVersion() < 2) {
        return nullptr;
    }
    return archive;
}

}  // namespace

bool scoresOfFile(const QString& archivePath, const QString& path,
                  std::span<const uint64_t> records, SessionScores& out, QString& error) {
    out.clear();
    const auto archive = archiveWithRings(archivePath, error);
    if (!archive) {
        return error.isEmpty();
    }
    return scoresOfFile(*archive, path, records, out, error);
}

bool scoredTakeUpsOf(const QString& archivePath, std::span<const TrainingSession> sessions,
                     int secondsBeforeShot, const AnalysisSettings& settings, ScoredSessions& out,
                     QString& error) {
    out = {};
    if (sessions.empty()) {
        return true;
    }
    // One archive for all sessions: opening it checks and may migrate it.
    const auto archive = archiveWithRings(archivePath, error);
    if (!archive) {
        return error.isEmpty();
    }
    for (const TrainingSession& s : sessions) {
        SessionScores scores;
        if (!scoresOfFile(*archive, s.Dateiname, recordFingerprints(*s.Liste), scores, error)) {
            return false;
        }
        if (scores.empty()) {
            continue;
        }
        const SessionAnalysis analysis = analyseDocument(*s.Liste, secondsBeforeShot, settings);
        const std::vector<ScoredTakeUp> scored = scoredTakeUps(analysis, scores);
        out.takeUps.insert(out.takeUps.end(), scored.begin(), scored.end());
        out.sessions += scored.empty() ? 0 : 1;
    }
    return true;
}

std::optional<ReportPage> trainingScorePage(const QString& archivePath,
                                            std::span<const TrainingSession> sessions,
                                            int secondsBeforeShot, const AnalysisSettings& settings,
                                            QString& error) {
    ScoredSessions scored;
    if (!scoredTakeUpsOf(archivePath, sessions, secondsBeforeShot, settings, scored, error) ||
        scored.takeUps.empty()) {
        return std::nullopt;
    }
    QString scope;
    if (sessions.size() == 1) {
        scope = QFileInfo(sessions.front().Dateiname).fileName();
    } else {
        scope = tr("%1 Trainingseinheiten").arg(sessions.size());
    }
    return scoreReportPage(tr("Ringe"), {scope, scored.sessions, std::move(scored.takeUps)});
}

DocumentScores::DocumentScores(QString archivePath, QString settingsPath)
    : archivePath_(TrainingArchive::pathOrDefault(archivePath)),
      settingsPath_(settingsPath.isEmpty() ? defaultArchiveSettingsPath() : settingsPath) {}

DocumentScores::~DocumentScores() = default;

QString DocumentScores::saveFirstText() {
    return tr("Zum Eintragen der Ringe die Datei zuerst speichern.");
}

bool DocumentScores::openArchive(bool create, QString& error) {
    if (archive_) {
        return true;
    }
    if (!create && !QFileInfo(archivePath_).isFile()) {
        return false;
    }
    archive_ = TrainingArchive::open(archivePath_, error);
    return archive_ != nullptr;
}

bool DocumentScores::reload(const QString& path, bool saved, std::span<const uint64_t> records) {
    const SessionScores before = scores_;
    const QString problemBefore = problem_;
    session_.reset();
    stored_.clear();
    scores_.clear();
    problem_.clear();
    QString error;
    if (saved && openArchive(false, error) && archive_->schemaVersion() >= 2) {
        session_ = sessionOfFile(*archive_, path, error);
        if (session_ && error.isEmpty()) {
            loadSessionScores(*archive_, *session_, stored_, error);
        }
    }
    problem_ = error;
    scores_ = followRecords(stored_, records);
    return !(scores_ == before) || problem_ != problemBefore;
}

bool DocumentScores::follow(std::span<const uint64_t> records) {
    SessionScores now = followRecords(stored_, records);
    if (now == scores_) {
        return false;
    }
    scores_ = std::move(now);
    return true;
}

QString DocumentScores::prepareSession(const QString& path, bool saved) {
    if (!saved || !QFileInfo::exists(path)) {
        return saveFirstText();
    }
    // Every ring typed asks again: the file it was prepared for, unchanged,
    // needs neither the settings nor the archive asked again.
    const QFileInfo info(path);
    if (archive_ && !archive_->readOnly() && fileSession_ != 0 && info.size() == fileSize_ &&
        info.lastModified() == fileTime_ && path == filePath_) {
        return {};
    }
    const bool importSaved = loadArchiveSettings(settingsPath_).importSaved;
    QString error;
    if (!openArchive(importSaved, error)) {
        return error.isEmpty() ? notImportedText() : error;
    }
    if (archive_->readOnly()) {
        return archive_->whyReadOnly();
    }
    if (!importSaved) {
        const std::optional<qint64> known = sessionOfFile(*archive_, path, error);
        if (!error.isEmpty()) {
            return error;
        }
        if (!known) {
            return notImportedText();
        }
    }
    // Taken in (or brought up to date) first: the archive's take-ups are
    // then the file's, numbered as the file numbers them.
    std::vector<uint64_t> records;
    const FileImport imported =
        importFile(*archive_, path, loadAnalysisSettings(), error, &records);
    if (!error.isEmpty()) {
        return error;
    }
    if (imported.outcome == ImportOutcome::Refused) {
        return imported.reason;
    }
    filePath_ = path;
    fileSession_ = imported.sessionId;
    fileRecords_ = std::move(records);
    fileSize_ = info.size();
    fileTime_ = info.lastModified();
    session_ = fileSession_;
    if (!loadSessionScores(*archive_, fileSession_, stored_, error)) {
        fileSession_ = 0;
        return error;
    }
    return {};
}

std::optional<int> DocumentScores::archiveNumber(std::span<const uint64_t> records,
                                                 int number) const {
    if (number < 1 || number > static_cast<int>(records.size())) {
        return std::nullopt;
    }
    const uint64_t record = records[static_cast<size_t>(number - 1)];
    if (number <= static_cast<int>(fileRecords_.size()) &&
        fileRecords_[static_cast<size_t>(number - 1)] == record) {
        return number;
    }
    // Records removed from the document since it was saved: the same
    // record further up in the file.
    for (size_t i = 0; i < fileRecords_.size(); ++i) {
        if (fileRecords_[i] == record) {
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;  // a take-up the saved file does not have
}

QString DocumentScores::store(const QString& path, bool saved, std::span<const uint64_t> records,
                              int number, const std::optional<TakeUpScore>& score) {
    if (const QString why = prepareSession(path, saved); !why.isEmpty()) {
        return why;
    }
    const std::optional<int> at = archiveNumber(records, number);
    if (!at) {
        return saveFirstText();
    }
    std::optional<TakeUpScore> s = score;
    if (s) {
        s->takeUp = *at;
        s->record = records[static_cast<size_t>(number - 1)];
    }
    QString error;
    if (!setTakeUpScore(*archive_, fileSession_, *at, s, error)) {
        return error;
    }
    if (s) {
        stored_[*at] = *s;
    } else {
        stored_.erase(*at);
    }
    scores_ = followRecords(stored_, records);
    return {};
}

QString DocumentScores::storeAll(const QString& path, bool saved, std::span<const uint64_t> records,
                                 const SessionScores& scores) {
    if (const QString why = prepareSession(path, saved); !why.isEmpty()) {
        return why;
    }
    SessionScores byFile;
    for (const auto& [number, score] : scores) {
        const std::optional<int> at = archiveNumber(records, number);
        if (!at) {
            return saveFirstText();
        }
        TakeUpScore s = score;
        s.takeUp = *at;
        s.record = records[static_cast<size_t>(number - 1)];
        byFile[*at] = s;
    }
    QString error;
    if (!replaceSessionScores(*archive_, fileSession_, byFile, error)) {
        return error;
    }
    stored_ = std::move(byFile);
    scores_ = followRecords(stored_, records);
    return {};
}

}  // namespace ostrevik
