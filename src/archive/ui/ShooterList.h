#pragma once

#include "archive/ArchiveSessions.h"

#include <QStringList>
#include <QWidget>

#include <optional>
#include <vector>

class QListWidget;
class QPushButton;

namespace ostrevik {

// The left side of the window "Trainingsarchiv": the shooters with the
// number of their sessions, and the buttons that rename the chosen one or
// merge him into another.
class ShooterList : public QWidget {
    Q_OBJECT
public:
    explicit ShooterList(QWidget* parent = nullptr);

    // Shows the shooters; `keep` stays chosen while he is among them, else
    // the first is. Tells no change of the choice.
    void setShooters(std::vector<ArchivedShooter> shooters, std::optional<qint64> keep);
    const std::vector<ArchivedShooter>& shooters() const { return shooters_; }
    std::optional<ArchivedShooter> current() const;
    // Chooses the shooter of that name; false when there is none.
    bool choose(const QString& name);
    // Renaming and merging need an archive that may be changed.
    void setWritable(bool writable);

    // The rows as shown ("Anna (4)"), and the chosen one.
    QStringList rows() const;
    QString currentRow() const;

signals:
    void currentChanged();
    void renameRequested();
    void mergeRequested();

private:
    QListWidget* list_ = nullptr;
    QPushButton* rename_ = nullptr;
    QPushButton* merge_ = nullptr;
    std::vector<ArchivedShooter> shooters_;
    bool filling_ = false;
};

}  // namespace ostrevik
