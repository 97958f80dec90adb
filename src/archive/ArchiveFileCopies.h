#pragma once

#include "archive/ArchiveError.h"
#include "archive/ArchiveSessions.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace ostrevik {

class TrainingArchive;

// The archive keeps each measurement file's bytes once per SHA-256 of the
// whole file, so that a session is whole on a PC that never had its file.

// Keeps `bytes` (whose SHA-256 is `hash`) unless the archive has them, and
// clears the mark of a session of that content whose copy was missing.
// Inside the caller's transaction.
bool storeFileCopy(TrainingArchive& archive, const QByteArray& hash, const QByteArray& bytes,
                   ArchiveError& error);
// Removes the copies no session refers to any more. Inside the caller's
// transaction.
bool dropUnusedFileCopies(TrainingArchive& archive, ArchiveError& error);
// The migration that brings the copies: a file still present with the
// content it was taken in with is copied, any other session is marked as
// having no copy.
bool takeFileCopies(TrainingArchive& archive, ArchiveError& error);

// The sessions whose file is `name`: its path as --archive-list writes it,
// or the file's name alone.
std::vector<ArchivedSession> sessionsNamed(TrainingArchive& archive, const QString& name,
                                           ArchiveError& error);
// A session's file as it was taken in; none (with `error` ok) when the
// archive has no copy of it.
std::optional<QByteArray> sessionFileCopy(TrainingArchive& archive, qint64 sessionId,
                                          ArchiveError& error);

// $XDG_CACHE_HOME/Ostrevik/Archivkopien: where the archive's copies are put
// to be opened on this PC.
QString fileCopyFolder();
// Whether path is a copy written there: a session's file only read, which
// keeps a change only under a name of its own.
bool isSessionFileCopy(const QString& path, const QString& folder = fileCopyFolder());
// A file of the session to read: its own when it is on this PC, else the
// archive's copy written write-protected under `folder` (in a folder of its
// content's hash, with the file's name), so that it is opened and compared
// like any file and kept only by "Speichern unter…". Empty when there is
// neither.
QString readableSessionFile(TrainingArchive& archive, const ArchivedSession& session,
                            const QString& folder = fileCopyFolder());

}  // namespace ostrevik
