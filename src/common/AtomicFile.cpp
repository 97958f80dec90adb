#include "common/AtomicFile.h"

#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ostrevik {
namespace {

qint64 g_failAfter = -1;  // < 0: no injected fault

constexpr qint64 kChunk = 64 * 1024;

}  // namespace

ScopedWriteFault::ScopedWriteFault(qint64 bytesBeforeFailure) {
    g_failAfter = bytesBeforeFailure;
}
ScopedWriteFault::~ScopedWriteFault() {
    g_failAfter = -1;
}

FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    // No direct-write fallback: if the directory does not allow a temporary
    // file, overwriting in place could tear the old file, so fail instead.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return {false, file.errorString()};
    }
    qint64 written = 0;
    while (written < data.size()) {
        qint64 chunk = std::min(kChunk, data.size() - written);
        if (g_failAfter >= 0 && written + chunk > g_failAfter) {
            chunk = g_failAfter - written;
            if (chunk > 0) {
                file.write(data.constData() + written, chunk);
            }
            file.cancelWriting();
            return {false, QString::fromLocal8Bit(std::strerror(ENOSPC))};
        }
        const qint64 n = file.write(data.constData() + written, chunk);
        if (n != chunk) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return {false, reason};
        }
        written += n;
    }
    if (!file.commit()) {
        return {false, file.errorString()};
    }
    return {true, {}};
}

}  // namespace ostrevik
