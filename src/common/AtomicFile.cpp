#include "common/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrevik {
namespace {

qint64 g_failAfter = -1;  // < 0: no injected fault

constexpr qint64 kChunk = 64 * 1024;

FileWriteResult failure(const QString& path, const QString& reason) {
    return {false, reason, path};
}

FileWriteResult systemFailure(const QString& path, int error) {
    return failure(path, qt_error_string(error));
}

QByteArray nameOf(const QString& path) {
    return QFile::encodeName(path);
}

// The file a name stands for: a symbolic link is followed to its target (even
// one that does not exist yet), so that the link is kept and its target
// replaced.
QString resolvedTarget(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth) {
        info.setFile(info.symLinkTarget());
    }
    return info.isSymLink() ? path : info.filePath();
}

QString randomSuffix() {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix(QLatin1Char('.'));
    for (int i = 0; i < 6; ++i) {
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(62)]);
    }
    return suffix;
}

struct Created {
    int fd = -1;
    QString path;
};

// A new file beside target, with the permissions of the file it is to
// replace (a new file gets the usual ones, 0666 less the umask).
FileWriteResult createBeside(const QString& target, Created& created) {
    struct stat old {};
    const bool exists = ::stat(nameOf(target).constData(), &old) == 0;
    // A file the user has made read-only is not replaced behind their back.
    if (exists && !S_ISDIR(old.st_mode) && ::access(nameOf(target).constData(), W_OK) != 0) {
        return systemFailure(target, errno);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = target + randomSuffix();
        const int fd =
            ::open(nameOf(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (exists && S_ISREG(old.st_mode)) {
                (void)::fchmod(fd, old.st_mode & 07777);
            }
            created = {fd, name};
            return {true, {}, {}};
        }
        if (errno != EEXIST) {
            return systemFailure(target, errno);
        }
    }
    return systemFailure(target, EEXIST);
}

FileWriteResult writeAll(int fd, const QByteArray& data, const QString& target) {
    qint64 written = 0;
    while (written < data.size()) {
        qint64 chunk = std::min(kChunk, data.size() - written);
        if (g_failAfter >= 0 && written + chunk > g_failAfter) {
            chunk = g_failAfter - written;
            if (chunk <= 0) {
                return systemFailure(target, ENOSPC);
            }
        }
        const ssize_t n = ::write(fd, data.constData() + written, static_cast<size_t>(chunk));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return systemFailure(target, errno);
        }
        if (n == 0) {
            return systemFailure(target, ENOSPC);
        }
        written += n;
    }
    return {true, {}, {}};
}

QString sizeMismatchText(qint64 onDisk, qint64 expected) {
    return QStringLiteral("Auf dem Datenträger kamen nur %1 von %2 Bytes an.")
        .arg(onDisk)
        .arg(expected);
}

// A write that was only buffered may still fail when it reaches the disk;
// the file counts as written only once it is there in full.
FileWriteResult syncAndCheckSize(int fd, qint64 expected, const QString& target) {
    if (::fsync(fd) != 0) {
        return systemFailure(target, errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return systemFailure(target, errno);
    }
    if (st.st_size != expected) {
        return failure(target, sizeMismatchText(st.st_size, expected));
    }
    return {true, {}, {}};
}

FileWriteResult closeChecked(int fd, const QString& target) {
    if (::close(fd) != 0 && errno != EINTR) {
        return systemFailure(target, errno);
    }
    return {true, {}, {}};
}

void removeFile(const QString& path) {
    if (!path.isEmpty()) {
        (void)::unlink(nameOf(path).constData());
    }
}

// The rename itself is durable only once the directory is on disk too.
void syncDirectoryOf(const QString& path) {
    const int fd = ::open(nameOf(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

// One file of a set on its way: written in full beside its target, waiting
// to take its place.
struct Pending {
    QString target;
    QString temporary;
    QString backup;  // the old file under a temporary name while the set is placed
    bool backupIsMove = false;
    bool placed = false;
};

FileWriteResult prepare(const FileContent& file, Pending& pending) {
    pending.target = resolvedTarget(file.path);
    Created created;
    FileWriteResult r = createBeside(pending.target, created);
    if (!r.ok) {
        r.path = file.path;
        return r;
    }
    pending.temporary = created.path;
    r = writeAll(created.fd, file.data, file.path);
    if (r.ok) {
        r = syncAndCheckSize(created.fd, file.data.size(), file.path);
    }
    const FileWriteResult closed = closeChecked(created.fd, file.path);
    return r.ok ? closed : r;
}

// Keeps the old file of a set under a temporary name, so that it can be put
// back should a later file of the set fail. A hard link keeps the old name in
// place meanwhile; where the file system has none (FAT), the file is moved.
FileWriteResult keepOld(Pending& pending) {
    struct stat st {};
    if (::lstat(nameOf(pending.target).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {true, {}, {}};
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = pending.target + randomSuffix();
        if (::link(nameOf(pending.target).constData(), nameOf(name).constData()) == 0) {
            pending.backup = name;
            return {true, {}, {}};
        }
        struct stat taken {};
        if (errno == EEXIST || ::lstat(nameOf(name).constData(), &taken) == 0) {
            continue;  // a rename would replace that file
        }
        if (::rename(nameOf(pending.target).constData(), nameOf(name).constData()) == 0) {
            pending.backup = name;
            pending.backupIsMove = true;
            return {true, {}, {}};
        }
        return systemFailure(pending.target, errno);
    }
    return systemFailure(pending.target, EEXIST);
}

void putBack(Pending& pending) {
    if (!pending.backup.isEmpty()) {
        (void)::rename(nameOf(pending.backup).constData(), nameOf(pending.target).constData());
        pending.backup.clear();
    } else if (pending.placed) {
        removeFile(pending.target);
    }
}

}  // namespace

ScopedWriteFault::ScopedWriteFault(qint64 bytesBeforeFailure) {
    g_failAfter = bytesBeforeFailure;
}
ScopedWriteFault::~ScopedWriteFault() {
    g_failAfter = -1;
}

FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data) {
    const FileContent file{path, data};
    return writeFilesAtomically(std::span(&file, 1));
}

FileWriteResult writeFilesAtomically(std::span<const FileContent> files) {
    std::vector<Pending> pending(files.size());
    auto abandon = [&pending](const FileWriteResult& why) {
        for (Pending& p : pending) {
            removeFile(p.temporary);
        }
        return why;
    };
    // Every file complete on disk before any old one is touched: a full disk
    // is found here, while everything is still as it was.
    for (size_t i = 0; i < files.size(); ++i) {
        const FileWriteResult r = prepare(files[i], pending[i]);
        if (!r.ok) {
            return abandon(r);
        }
    }
    for (size_t i = 0; i < pending.size(); ++i) {
        Pending& p = pending[i];
        // The last file needs no way back: if it fails, nothing of it changed.
        FileWriteResult r = i + 1 < pending.size() ? keepOld(p) : FileWriteResult{true, {}, {}};
        if (r.ok && ::rename(nameOf(p.temporary).constData(), nameOf(p.target).constData()) != 0) {
            r = systemFailure(p.target, errno);
            if (p.backupIsMove) {
                putBack(p);
            }
        }
        if (!r.ok) {
            r.path = files[i].path;
            for (size_t j = i; j-- > 0;) {
                putBack(pending[j]);
            }
            removeFile(p.backup);
            return abandon(r);
        }
        p.placed = true;
        p.temporary.clear();
    }
    for (Pending& p : pending) {
        removeFile(p.backup);
        syncDirectoryOf(p.target);
    }
    return {true, {}, {}};
}

TemporaryFileBeside::TemporaryFileBeside(const QString& path) : path_(resolvedTarget(path)) {
    Created created;
    error_ = createBeside(path_, created);
    error_.path = path;
    if (error_.ok) {
        ::close(created.fd);
        temporaryPath_ = created.path;
    }
}

TemporaryFileBeside::~TemporaryFileBeside() {
    removeFile(temporaryPath_);
}

FileWriteResult TemporaryFileBeside::commit(const Check& check) {
    if (!isValid()) {
        return error_;
    }
    const int fd = ::open(nameOf(temporaryPath_).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return systemFailure(error_.path, errno);
    }
    QByteArray contents;
    FileWriteResult r{true, {}, {}};
    {
        QFile in;
        if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            r = failure(error_.path, in.errorString());
        } else {
            contents = in.readAll();
        }
    }
    if (r.ok) {
        r = syncAndCheckSize(fd, contents.size(), error_.path);
    }
    if (r.ok) {
        if (const QString why = check(contents); !why.isEmpty()) {
            r = failure(error_.path, why);
        }
    }
    ::close(fd);
    if (r.ok && ::rename(nameOf(temporaryPath_).constData(), nameOf(path_).constData()) != 0) {
        r = systemFailure(error_.path, errno);
    }
    if (!r.ok) {
        return r;  // the destructor removes the temporary file
    }
    temporaryPath_.clear();
    syncDirectoryOf(path_);
    return r;
}

}  // namespace ostrevik
