#include "archive/ArchiveFileCopies.h"

#include "archive/ArchiveDatabase.h"

#include "common/AtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

namespace ostrevik {

bool storeFileCopy(TrainingArchive& archive, const QByteArray& hash, const QByteArray& bytes,
                   ArchiveError& error) {
    // Two PCs may bring the same file at once: the second leaves the first's.
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral(
        "INSERT INTO datei (hash, inhalt) VALUES (?, ?) ON CONFLICT (hash) DO NOTHING"));
    q.addBindValue(hash);
    q.addBindValue(bytes);
    if (!execQuery(archive, q, error)) {
        return false;
    }
    QSqlQuery m(archive.db());
    m.prepare(
        QStringLiteral("UPDATE sitzung SET datei_fehlt = 0 WHERE hash = ? AND datei_fehlt <> 0"));
    m.addBindValue(hash);
    return execQuery(archive, m, error);
}

bool dropUnusedFileCopies(TrainingArchive& archive, ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("DELETE FROM datei WHERE hash NOT IN (SELECT hash FROM sitzung)"));
    return execQuery(archive, q, error);
}

bool takeFileCopies(TrainingArchive& archive, ArchiveError& error) {
    struct Session {
        qint64 id;
        QString path;
        QByteArray hash;
    };
    std::vector<Session> sessions;
    {
        QSqlQuery q(archive.db());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT id, pfad, hash FROM sitzung ORDER BY id"));
        if (!execQuery(archive, q, error)) {
            return false;
        }
        while (q.next()) {
            sessions.push_back(
                {q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toByteArray()});
        }
    }
    QSqlQuery missing(archive.db());
    missing.prepare(QStringLiteral("UPDATE sitzung SET datei_fehlt = 1 WHERE id = ?"));
    for (const Session& s : sessions) {
        QFile file(s.path);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly)) {
            bytes = file.readAll();
        }
        // A file changed since it was taken in is not the session's: the
        // archive's figures describe the content of the hash.
        if (file.error() == QFileDevice::NoError && !bytes.isEmpty() &&
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256) == s.hash) {
            if (!storeFileCopy(archive, s.hash, bytes, error)) {
                return false;
            }
            continue;
        }
        missing.bindValue(0, s.id);
        if (!execQuery(archive, missing, error)) {
            return false;
        }
    }
    return true;
}

std::vector<ArchivedSession> sessionsNamed(TrainingArchive& archive, const QString& name,
                                           ArchiveError& error) {
    std::vector<ArchivedSession> named;
    for (ArchivedSession& s : listSessions(archive, {}, error)) {
        if (s.path == name || QFileInfo(s.path).fileName() == name) {
            named.push_back(std::move(s));
        }
    }
    return named;
}

std::optional<QByteArray> sessionFileCopy(TrainingArchive& archive, qint64 sessionId,
                                          ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(
        QStringLiteral("SELECT d.inhalt FROM sitzung s JOIN datei d ON d.hash = s.hash "
                       "WHERE s.id = ?"));
    q.addBindValue(sessionId);
    if (!execQuery(archive, q, error) || !q.next()) {
        return std::nullopt;
    }
    return q.value(0).toByteArray();
}

QString fileCopyFolder() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.cache");
    }
    return base + QStringLiteral("/Ostrevik/Archivkopien");
}

bool isSessionFileCopy(const QString& path, const QString& folder) {
    return QFileInfo(path).absoluteFilePath().startsWith(QDir(folder).absolutePath() +
                                                         QLatin1Char('/'));
}

QString readableSessionFile(TrainingArchive& archive, const ArchivedSession& session,
                            const QString& folder) {
    if (QFileInfo::exists(session.path)) {
        return session.path;
    }
    ArchiveError error;
    const std::optional<QByteArray> bytes = sessionFileCopy(archive, session.id, error);
    if (!bytes) {
        return {};
    }
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256).toHex());
    const QString dir = folder + QLatin1Char('/') + hash.left(16);
    const QString path = dir + QLatin1Char('/') + QFileInfo(session.path).fileName();
    // Written once per content; a copy there is the same file.
    if (QFileInfo::exists(path)) {
        return path;
    }
    if (!QDir().mkpath(dir) || !writeFileAtomically(path, *bytes).ok ||
        !QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther)) {
        return {};
    }
    return path;
}

}  // namespace ostrevik
