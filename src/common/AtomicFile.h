#pragma once

#include <QByteArray>
#include <QString>

namespace ostrevik {

struct FileWriteResult {
    bool ok = false;
    QString reason;  // the system's reason when ok is false
};

// Replaces the file at path with data so that a failure at any point (a full
// disk, a vanished directory, the program being killed) leaves either the old
// file or the new one, never a torn file: the bytes go to a temporary file in
// the same directory, are flushed to disk, and only then renamed over the old
// name.
FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data);

// Test seam: while an instance lives, writes fail once the given number of
// bytes has reached the temporary file, as a full disk would make them fail.
class ScopedWriteFault {
public:
    explicit ScopedWriteFault(qint64 bytesBeforeFailure);
    ~ScopedWriteFault();
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

}  // namespace ostrevik
