#include "archive/ui/ArchiveToolbar.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace ostrevik {

ArchiveToolbar::ArchiveToolbar(QWidget* parent) : QWidget(parent) {
    struct Button {
        ArchiveCommand command;
        QString text;
        QString name;
    };
    // Made in this order, which is the keyboard's; shown in the commands'.
    const Button made[] = {
        {ArchiveCommand::Waehlen, QStringLiteral("Archiv &wählen…"), QStringLiteral("Waehlen")},
        {ArchiveCommand::Dateien, QStringLiteral("&Dateien aufnehmen…"), QStringLiteral("Dateien")},
        {ArchiveCommand::Ordner, QStringLiteral("O&rdner aufnehmen…"), QStringLiteral("Ordner")},
        {ArchiveCommand::Oeffnen, QStringLiteral("Ö&ffnen"), QStringLiteral("Oeffnen")},
        {ArchiveCommand::Vergleichen, QStringLiteral("&Vergleichen"),
         QStringLiteral("Vergleichen")},
        {ArchiveCommand::Saisonbericht, QStringLiteral("&Saisonbericht als PDF…"),
         QStringLiteral("Saisonbericht")},
        {ArchiveCommand::Ringe, tr("R&inge…"), QStringLiteral("Ringe")},
        {ArchiveCommand::Bearbeiten, QStringLiteral("&Bearbeiten…"), QStringLiteral("Bearbeiten")},
        {ArchiveCommand::Entfernen, QStringLiteral("Aus dem Archiv &entfernen"),
         QStringLiteral("Entfernen")},
    };
    for (const Button& b : made) {
        auto* button = new QPushButton(b.text, this);
        button->setObjectName(b.name);
        connect(button, &QPushButton::clicked, this, [this, c = b.command] { emit triggered(c); });
        buttons_[b.command] = button;
    }
    buttons_[ArchiveCommand::Ringe]->setToolTip(
        tr("Welche Kennwerte und Fehlermarken mit weniger Ringen einhergehen, "
           "über die gezeigten Trainingseinheiten"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (const auto& [command, button] : buttons_) {
        row->addWidget(button);
    }
    row->addStretch();
}

void ArchiveToolbar::update(bool writable, size_t chosen, bool sessionsShown) {
    const std::map<ArchiveCommand, bool> offered = {
        {ArchiveCommand::Waehlen, true},
        {ArchiveCommand::Dateien, writable},
        {ArchiveCommand::Ordner, writable},
        {ArchiveCommand::Oeffnen, chosen > 0},
        {ArchiveCommand::Vergleichen, chosen >= 2},
        {ArchiveCommand::Ringe, sessionsShown},
        {ArchiveCommand::Saisonbericht, sessionsShown},
        {ArchiveCommand::Bearbeiten, writable && chosen == 1},
        {ArchiveCommand::Entfernen, writable && chosen > 0},
    };
    for (const auto& [command, on] : offered) {
        buttons_.at(command)->setEnabled(on);
    }
}

bool ArchiveToolbar::offers(ArchiveCommand command) const {
    return buttons_.at(command)->isEnabled();
}

}  // namespace ostrevik
