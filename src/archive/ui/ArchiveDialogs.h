#pragma once

#include "archive/ArchiveSessions.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace ostrevik {

// "Trainingseinheit bearbeiten": the session's shooter, its tags (dry or
// live, training or competition, free words) and the coach's note.
class SessionEditDialog : public QDialog {
    Q_OBJECT
public:
    SessionEditDialog(const ArchivedSession& session, const QStringList& shooters,
                      QWidget* parent = nullptr);

    QString shooter() const;
    QStringList tags() const;
    QString note() const;
    // All three, as the archive takes them.
    SessionEdit edit() const;
    // Fills the fields as the coach would: the shooter, the choices of the
    // pairs of tags, the other tags and the note.
    void fill(const SessionEdit& edit);

private:
    QComboBox* shooter_ = nullptr;
    QComboBox* kind_ = nullptr;      // "", trocken, scharf
    QComboBox* occasion_ = nullptr;  // "", Training, Wettkampf
    QLineEdit* others_ = nullptr;
    QLineEdit* note_ = nullptr;
};

// "Schützen zusammenführen": whom the chosen shooter's sessions go to.
class MergeShootersDialog : public QDialog {
    Q_OBJECT
public:
    MergeShootersDialog(const ArchivedShooter& from, const std::vector<ArchivedShooter>& others,
                        QWidget* parent = nullptr);
    qint64 target() const;
    // Chooses the shooter shown under that name; false when not offered.
    bool chooseTarget(const QString& shown);

private:
    QComboBox* target_ = nullptr;
};

// "Schütze umbenennen".
class RenameShooterDialog : public QDialog {
    Q_OBJECT
public:
    RenameShooterDialog(const ArchivedShooter& shooter, QWidget* parent = nullptr);
    QString name() const;
    void setName(const QString& name);

private:
    QLineEdit* name_ = nullptr;
};

// "Archiv wählen": the archive file on this PC, or an archive on a
// PostgreSQL server (host or socket folder, port, database, user). A
// password typed here is used for this session only; the usual place for it
// is ~/.pgpass.
class ArchiveChoiceDialog : public QDialog {
    Q_OBJECT
public:
    // `current`: the archive shown now, a path or an address.
    explicit ArchiveChoiceDialog(const QString& current, QWidget* parent = nullptr);
    // The path, or the server's address built from the fields.
    QString archive() const;
    QString password() const;
    // Fills the fields as the user would.
    void chooseFile(const QString& path);
    void chooseServer(const QString& host, int port, const QString& database, const QString& user,
                      const QString& password = {});

private:
    QRadioButton* file_ = nullptr;
    QRadioButton* server_ = nullptr;
    QLineEdit* path_ = nullptr;
    QLineEdit* host_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* database_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
};

}  // namespace ostrevik
