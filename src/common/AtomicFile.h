#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <span>

namespace ostrevik {

struct FileWriteResult {
    bool ok = false;
    QString reason;  // the system's reason when ok is false
    QString path;    // the file that could not be written (when ok is false)
};

// Replaces the file at path with data so that a failure at any point (a full
// disk, a vanished directory, the program being killed) leaves either the old
// file or the new one, never a torn file: the bytes go to a temporary file in
// the same directory, each write is checked, the file is flushed to disk and
// its size compared with the data, and only then is it renamed over the old
// name. A symbolic link is followed: its target is replaced, the link stays.
FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data);

struct FileContent {
    QString path;
    QByteArray data;
};

// Several files that belong together (an export's pair): written all or
// none. Every file is complete on disk before the first one replaces its
// old file; should a later one still fail to take its place, the earlier ones
// are put back as they were (a file that did not exist before is removed).
FileWriteResult writeFilesAtomically(std::span<const FileContent> files);

// For a file that another writer makes by name (the PDF printer): a new empty
// temporary file beside path, which the writer fills; commit() checks what
// it wrote and only then renames it over path. Without a commit, or when the
// commit fails, the temporary file is removed and path keeps its old file.
class TemporaryFileBeside {
public:
    explicit TemporaryFileBeside(const QString& path);
    ~TemporaryFileBeside();
    TemporaryFileBeside(const TemporaryFileBeside&) = delete;
    TemporaryFileBeside& operator=(const TemporaryFileBeside&) = delete;

    // False when no temporary file could be made (error() says why).
    bool isValid() const { return !temporaryPath_.isEmpty(); }
    FileWriteResult error() const { return error_; }
    // Where the writer is to write.
    QString temporaryPath() const { return temporaryPath_; }

    // Reads the written file back; check returns an empty text for a
    // complete file, otherwise why it is not. The file is flushed to disk
    // before it takes the place of the old one.
    using Check = std::function<QString(const QByteArray& contents)>;
    FileWriteResult commit(const Check& check);

private:
    QString path_;  // the target, symbolic links followed
    QString temporaryPath_;
    FileWriteResult error_;
};

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
