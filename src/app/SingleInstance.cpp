#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ostrevik {

QString SingleInstanceGuard::lockPathFor(const QString& name) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) {
        return QDir(runtime).filePath(name);
    }
    return QStringLiteral("/tmp/%1-%2").arg(name).arg(::getuid());
}

SingleInstanceGuard::SingleInstanceGuard(const QString& name) : path_(lockPathFor(name)) {
    const QByteArray file = QFile::encodeName(path_);
    fd_ = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // Without a lock file there is nothing to guard with; better to run
        // than to refuse starting at all.
        acquired_ = true;
        return;
    }
    acquired_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

}  // namespace ostrevik
