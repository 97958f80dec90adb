#include "archive/ui/ArchiveDialogs.h"

#include "archive/ArchiveTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrevik {
namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

// A choice of one of two tags, or neither.
QComboBox* pairChoice(QWidget* parent, const char* a, const char* b, const QStringList& tags) {
    auto* box = new QComboBox(parent);
    box->addItems({QString(), QString::fromUtf8(a), QString::fromUtf8(b)});
    for (int i = 1; i < box->count(); ++i) {
        if (tags.contains(box->itemText(i))) {
            box->setCurrentIndex(i);
        }
    }
    return box;
}

}  // namespace

SessionEditDialog::SessionEditDialog(const ArchivedSession& session, const QStringList& shooters,
                                     QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Trainingseinheit bearbeiten"));
    auto* form = new QFormLayout;
    Schuetze = new QComboBox(this);
    Schuetze->setEditable(true);
    Schuetze->addItems(shooters);
    Schuetze->setCurrentText(session.shooter);
    Art = pairChoice(this, kMarkeTrocken, kMarkeScharf, session.tags);
    Anlass = pairChoice(this, kMarkeTraining, kMarkeWettkampf, session.tags);
    QStringList others = session.tags;
    for (const char* t : {kMarkeTrocken, kMarkeScharf, kMarkeTraining, kMarkeWettkampf}) {
        others.removeAll(QString::fromUtf8(t));
    }
    Weitere = new QLineEdit(others.join(QStringLiteral(", ")), this);
    Weitere->setPlaceholderText(QStringLiteral("durch Kommas getrennt"));
    Notiz = new QLineEdit(session.note, this);
    form->addRow(QStringLiteral("&Schütze:"), Schuetze);
    form->addRow(QStringLiteral("&Trocken/scharf:"), Art);
    form->addRow(QStringLiteral("T&raining/Wettkampf:"), Anlass);
    form->addRow(QStringLiteral("&Weitere Marken:"), Weitere);
    form->addRow(QStringLiteral("&Notiz:"), Notiz);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(session.path, this));
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
    resize(480, sizeHint().height());
}

QString SessionEditDialog::shooter() const {
    return Schuetze->currentText().trimmed();
}

QStringList SessionEditDialog::tags() const {
    QStringList t = tagsFromText(Weitere->text());
    t << Art->currentText() << Anlass->currentText();
    return normalizeTags(t);
}

QString SessionEditDialog::note() const {
    return Notiz->text().trimmed();
}

SessionEdit SessionEditDialog::edit() const {
    return {shooter(), tags(), note()};
}

MergeShootersDialog::MergeShootersDialog(const ArchivedShooter& from,
                                         const std::vector<ArchivedShooter>& others,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Schützen zusammenführen"));
    Ziel = new QComboBox(this);
    for (const ArchivedShooter& s : others) {
        if (s.id != from.id) {
            Ziel->addItem(ArchiveTexts::ShooterName(s.name), s.id);
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Die %1 Trainingseinheiten von %2 gehören zu:")
                                     .arg(from.sessions)
                                     .arg(ArchiveTexts::ShooterName(from.name)),
                                 this));
    layout->addWidget(Ziel);
    layout->addWidget(okCancel(this));
}

qint64 MergeShootersDialog::target() const {
    return Ziel->currentData().toLongLong();
}

RenameShooterDialog::RenameShooterDialog(const ArchivedShooter& shooter, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Schütze umbenennen"));
    Name = new QLineEdit(shooter.name, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Neuer Name für %1:").arg(ArchiveTexts::ShooterName(shooter.name)), this));
    layout->addWidget(Name);
    layout->addWidget(okCancel(this));
}

QString RenameShooterDialog::name() const {
    return Name->text().trimmed();
}

}  // namespace ostrevik
