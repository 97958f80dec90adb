#pragma once

#include "archive/ArchiveSessions.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

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

}  // namespace ostrevik
