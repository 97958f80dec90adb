#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>

namespace ostrevik {

// Read access to a compiled HTML help file (.chm).
class ChmArchive {
public:
    ChmArchive();
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    bool open(const QString& path);
    bool isOpen() const;
    QString path() const { return path_; }

    // The contents of an entry ("Ovrik_Einleitung.html" or "/style.css");
    // *ok tells whether the entry exists.
    bool contains(const QString& entry) const;
    QByteArray read(const QString& entry, bool* ok = nullptr) const;

    struct Topic {
        QString title;
        QString page;
    };
    // The table of contents (the archive's .hhc file), in its order.
    QVector<Topic> contents() const;

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    QString path_;
};

}  // namespace ostrevik
