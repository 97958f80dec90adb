#pragma once

#include <QWidget>

#include <map>

class QPushButton;

namespace ostrevik {

// The commands of the window "Trainingsarchiv" that its row of buttons
// gives, in the row's order.
enum class ArchiveCommand {
    Waehlen,        // "Archiv wählen…"
    Dateien,        // "Dateien aufnehmen…"
    Ordner,         // "Ordner aufnehmen…"
    Oeffnen,        // the chosen sessions as documents
    Vergleichen,    // the chosen sessions compared
    Ringe,          // the rings of the sessions shown
    Saisonbericht,  // "Saisonbericht als PDF…"
    Bearbeiten,     // the chosen session's shooter, tags and note
    Entfernen,      // the chosen sessions out of the archive
};

// The row of buttons at the top of the window "Trainingsarchiv", each
// offered only while its command can be given.
class ArchiveToolbar : public QWidget {
    Q_OBJECT
public:
    explicit ArchiveToolbar(QWidget* parent = nullptr);

    // What the commands depend on: whether the archive may be changed, how
    // many sessions are chosen, whether any are shown.
    void update(bool writable, size_t chosen, bool sessionsShown);
    bool offers(ArchiveCommand command) const;

signals:
    void triggered(ArchiveCommand command);

private:
    std::map<ArchiveCommand, QPushButton*> buttons_;
};

}  // namespace ostrevik
