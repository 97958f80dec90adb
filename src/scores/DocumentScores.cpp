#include "scores/DocumentScores.h"

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

RingStore failed(RingStore::Kind kind) {
    RingStore r;
    r.kind = kind;
    return r;
}

RingStore failed(const ArchiveError& error) {
    RingStore r;
    r.kind = RingStore::Kind::Archive;
    r.archive = error;
    return r;
}

}  // namespace

bool scoresOfFile(TrainingArchive& archive, const QString& path, std::span<const uint64_t> records,
                  SessionScores& out, ArchiveError& error) {
    out.clear();
    const std::optional<qint64> session = sessionOfFile(archive, path, error);
    if (error.failed()) {
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
std::unique_ptr<TrainingArchive> archiveWithRings(const QString& archivePath, ArchiveError& error) {
    const QString archiveFile = TrainingArchive::pathOrDefault(archivePath);
    if (!TrainingArchive::exists(archiveFile)) {
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
                  std::span<const uint64_t> records, SessionScores& out, ArchiveError& error) {
    out.clear();
    const auto archive = archiveWithRings(archivePath, error);
    if (!archive) {
        return error.ok();
    }
    return scoresOfFile(*archive, path, records, out, error);
}

bool scoredTakeUpsOf(const QString& archivePath, std::span<const TrainingSession> sessions,
                     int secondsBeforeShot, const AnalysisSettings& settings, ScoredSessions& out,
                     ArchiveError& error) {
    out = {};
    if (sessions.empty()) {
        return true;
    }
    // One archive for all sessions: opening it checks and may migrate it.
    const auto archive = archiveWithRings(archivePath, error);
    if (!archive) {
        return error.ok();
    }
    for (const TrainingSession& s : sessions) {
        SessionScores scores;
        if (!scoresOfFile(*archive, s.Dateiname, recordFingerprints(*s.Liste), scores, error)) {
            return false;
        }
        if (scores.empty()) {
            continue;
        }
        const SessionAnalysis analysis = analyseSession(s, secondsBeforeShot, settings);
        const std::vector<ScoredTakeUp> scored = scoredTakeUps(analysis, scores);
        out.takeUps.insert(out.takeUps.end(), scored.begin(), scored.end());
        out.sessions += scored.empty() ? 0 : 1;
    }
    return true;
}

std::optional<ReportPage> trainingScorePage(const QString& archivePath,
                                            std::span<const TrainingSession> sessions,
                                            int secondsBeforeShot, const AnalysisSettings& settings,
                                            ArchiveError& error) {
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

bool DocumentScores::openArchive(bool create, ArchiveError& error) {
    if (archive_) {
        return true;
    }
    if (!create && !TrainingArchive::exists(archivePath_)) {
        return false;
    }
    archive_ = TrainingArchive::open(archivePath_, error);
    return archive_ != nullptr;
}

bool DocumentScores::reload(const QString& path, bool saved, std::span<const uint64_t> records) {
    const SessionScores before = scores_;
    const ArchiveError problemBefore = problem_;
    session_.reset();
    stored_.clear();
    scores_.clear();
    problem_ = {};
    ArchiveError error;
    if (saved && openArchive(false, error) && archive_->schemaVersion() >= 2) {
        session_ = sessionOfFile(*archive_, path, error);
        if (session_ && error.ok()) {
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

RingStore DocumentScores::prepareSession(const QString& path, bool saved) {
    if (!saved || !QFileInfo::exists(path)) {
        return failed(RingStore::Kind::SaveFirst);
    }
    // Every ring typed asks again: the file it was prepared for, unchanged,
    // needs neither the settings nor the archive asked again.
    const QFileInfo info(path);
    if (archive_ && !archive_->readOnly() && fileSession_ != 0 && info.size() == fileSize_ &&
        info.lastModified() == fileTime_ && path == filePath_) {
        return {};
    }
    const bool importSaved = loadArchiveSettings(settingsPath_).importSaved;
    ArchiveError error;
    if (!openArchive(importSaved, error)) {
        return error.ok() ? failed(RingStore::Kind::NotImported) : failed(error);
    }
    if (archive_->readOnly()) {
        return failed(archive_->whyReadOnly());
    }
    if (!importSaved) {
        const std::optional<qint64> known = sessionOfFile(*archive_, path, error);
        if (error.failed()) {
            return failed(error);
        }
        if (!known) {
            return failed(RingStore::Kind::NotImported);
        }
    }
    // Taken in (or brought up to date) first: the archive's take-ups are
    // then the file's, numbered as the file numbers them.
    std::vector<uint64_t> records;
    const FileImport imported =
        importFile(*archive_, path, loadAnalysisSettings(), error, &records);
    if (error.failed()) {
        return failed(error);
    }
    if (imported.outcome == ImportOutcome::Refused) {
        RingStore r = failed(RingStore::Kind::Refused);
        r.refused = imported;
        return r;
    }
    filePath_ = path;
    fileSession_ = imported.sessionId;
    fileRecords_ = std::move(records);
    fileSize_ = info.size();
    fileTime_ = info.lastModified();
    session_ = fileSession_;
    if (!loadSessionScores(*archive_, fileSession_, stored_, error)) {
        fileSession_ = 0;
        return failed(error);
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

RingStore DocumentScores::store(const QString& path, bool saved, std::span<const uint64_t> records,
                                int number, const std::optional<TakeUpScore>& score) {
    if (RingStore why = prepareSession(path, saved); !why.ok()) {
        return why;
    }
    const std::optional<int> at = archiveNumber(records, number);
    if (!at) {
        return failed(RingStore::Kind::SaveFirst);
    }
    std::optional<TakeUpScore> s = score;
    if (s) {
        s->takeUp = *at;
        s->record = records[static_cast<size_t>(number - 1)];
    }
    ArchiveError error;
    if (!setTakeUpScore(*archive_, fileSession_, *at, s, error)) {
        return failed(error);
    }
    if (s) {
        stored_[*at] = *s;
    } else {
        stored_.erase(*at);
    }
    scores_ = followRecords(stored_, records);
    return {};
}

RingStore DocumentScores::storeAll(const QString& path, bool saved,
                                   std::span<const uint64_t> records, const SessionScores& scores) {
    if (RingStore why = prepareSession(path, saved); !why.ok()) {
        return why;
    }
    SessionScores byFile;
    for (const auto& [number, score] : scores) {
        const std::optional<int> at = archiveNumber(records, number);
        if (!at) {
            return failed(RingStore::Kind::SaveFirst);
        }
        TakeUpScore s = score;
        s.takeUp = *at;
        s.record = records[static_cast<size_t>(number - 1)];
        byFile[*at] = s;
    }
    ArchiveError error;
    if (!replaceSessionScores(*archive_, fileSession_, byFile, error)) {
        return failed(error);
    }
    stored_ = std::move(byFile);
    scores_ = followRecords(stored_, records);
    return {};
}

}  // namespace ostrevik
