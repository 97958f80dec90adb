#pragma once

#include <QString>

namespace ostrevik {

// Only one copy of the program runs per user: the first one holds an
// exclusive lock on a file named after the guard. The system releases the
// lock when the process ends in any way, so a crashed or killed copy never
// blocks the next start.
class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const QString& name = QStringLiteral("Pelvaro2Mutex"));
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // False when another copy holds the lock.
    bool acquired() const { return acquired_; }
    QString lockPath() const { return path_; }

    // $XDG_RUNTIME_DIR/<name>, or /tmp/<name>-<uid> without a runtime directory.
    static QString lockPathFor(const QString& name);

private:
    QString path_;
    int fd_ = -1;
    bool acquired_ = false;
};

}  // namespace ostrevik
