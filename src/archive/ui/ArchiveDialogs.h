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

    QComboBox* Schuetze = nullptr;
    QComboBox* Art = nullptr;     // "", trocken, scharf
    QComboBox* Anlass = nullptr;  // "", Training, Wettkampf
    QLineEdit* Weitere = nullptr;
    QLineEdit* Notiz = nullptr;
};

// "Schützen zusammenführen": whom the chosen shooter's sessions go to.
class MergeShootersDialog : public QDialog {
    Q_OBJECT
public:
    MergeShootersDialog(const ArchivedShooter& from, const std::vector<ArchivedShooter>& others,
                        QWidget* parent = nullptr);
    qint64 target() const;

    QComboBox* Ziel = nullptr;
};

// "Schütze umbenennen".
class RenameShooterDialog : public QDialog {
    Q_OBJECT
public:
    RenameShooterDialog(const ArchivedShooter& shooter, QWidget* parent = nullptr);
    QString name() const;

    QLineEdit* Name = nullptr;
};

}  // namespace ostrevik
