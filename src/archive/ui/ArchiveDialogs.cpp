#include "archive/ui/ArchiveDialogs.h"

#include "archive/ArchiveDialect.h"
#include "archive/ArchiveTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QUrl>
#include <QUrlQuery>
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
QComboBox* pairChoice(QWidget* parent, const char* a, const char* b) {
    auto* box = new QComboBox(parent);
    box->addItems({QString(), QString::fromUtf8(a), QString::fromUtf8(b)});
    return box;
}

// The one of the pair among the tags (the second where both are), or neither.
void choosePair(QComboBox* box, const QStringList& tags) {
    box->setCurrentIndex(0);
    for (int i = 1; i < box->count(); ++i) {
        if (tags.contains(box->itemText(i))) {
            box->setCurrentIndex(i);
        }
    }
}

}  // namespace

SessionEditDialog::SessionEditDialog(const ArchivedSession& session, const QStringList& shooters,
                                     QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Trainingseinheit bearbeiten"));
    auto* form = new QFormLayout;
    shooter_ = new QComboBox(this);
    shooter_->setEditable(true);
    shooter_->addItems(shooters);
    kind_ = pairChoice(this, kMarkeTrocken, kMarkeScharf);
    occasion_ = pairChoice(this, kMarkeTraining, kMarkeWettkampf);
    others_ = new QLineEdit(this);
    others_->setPlaceholderText(QStringLiteral("durch Kommas getrennt"));
    note_ = new QLineEdit(this);
    fill({session.shooter, session.tags, session.note});
    form->addRow(QStringLiteral("&Schütze:"), shooter_);
    form->addRow(QStringLiteral("&Trocken/scharf:"), kind_);
    form->addRow(QStringLiteral("T&raining/Wettkampf:"), occasion_);
    form->addRow(QStringLiteral("&Weitere Marken:"), others_);
    form->addRow(QStringLiteral("&Notiz:"), note_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(session.path, this));
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
    resize(480, sizeHint().height());
}

void SessionEditDialog::fill(const SessionEdit& edit) {
    shooter_->setCurrentText(edit.shooter);
    choosePair(kind_, edit.tags);
    choosePair(occasion_, edit.tags);
    QStringList others = edit.tags;
    for (const char* t : {kMarkeTrocken, kMarkeScharf, kMarkeTraining, kMarkeWettkampf}) {
        others.removeAll(QString::fromUtf8(t));
    }
    others_->setText(others.join(QStringLiteral(", ")));
    note_->setText(edit.note);
}

QString SessionEditDialog::shooter() const {
    return shooter_->currentText().trimmed();
}

QStringList SessionEditDialog::tags() const {
    QStringList t = tagsFromText(others_->text());
    t << kind_->currentText() << occasion_->currentText();
    return normalizeTags(t);
}

QString SessionEditDialog::note() const {
    return note_->text().trimmed();
}

SessionEdit SessionEditDialog::edit() const {
    return {shooter(), tags(), note()};
}

MergeShootersDialog::MergeShootersDialog(const ArchivedShooter& from,
                                         const std::vector<ArchivedShooter>& others,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Schützen zusammenführen"));
    target_ = new QComboBox(this);
    for (const ArchivedShooter& s : others) {
        if (s.id != from.id) {
            target_->addItem(ArchiveTexts::ShooterName(s.name), s.id);
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Die %1 Trainingseinheiten von %2 gehören zu:")
                                     .arg(from.sessions)
                                     .arg(ArchiveTexts::ShooterName(from.name)),
                                 this));
    layout->addWidget(target_);
    layout->addWidget(okCancel(this));
}

qint64 MergeShootersDialog::target() const {
    return target_->currentData().toLongLong();
}

bool MergeShootersDialog::chooseTarget(const QString& shown) {
    const int i = target_->findText(shown);
    if (i >= 0) {
        target_->setCurrentIndex(i);
    }
    return i >= 0;
}

RenameShooterDialog::RenameShooterDialog(const ArchivedShooter& shooter, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Schütze umbenennen"));
    name_ = new QLineEdit(shooter.name, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Neuer Name für %1:").arg(ArchiveTexts::ShooterName(shooter.name)), this));
    layout->addWidget(name_);
    layout->addWidget(okCancel(this));
}

QString RenameShooterDialog::name() const {
    return name_->text().trimmed();
}

void RenameShooterDialog::setName(const QString& name) {
    name_->setText(name);
}

ArchiveChoiceDialog::ArchiveChoiceDialog(const QString& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Archiv wählen"));
    file_ = new QRadioButton(QStringLiteral("Archiv&datei auf diesem Rechner"), this);
    server_ = new QRadioButton(QStringLiteral("Archiv auf einem &PostgreSQL-Server"), this);
    path_ = new QLineEdit(this);
    host_ = new QLineEdit(this);
    host_->setPlaceholderText(QStringLiteral("Rechner oder Socket-Ordner"));
    port_ = new QSpinBox(this);
    port_->setRange(1, 65535);
    port_->setValue(5432);
    database_ = new QLineEdit(this);
    user_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(QStringLiteral("aus ~/.pgpass, wenn leer"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file_);
    auto* fileForm = new QFormLayout;
    fileForm->addRow(QStringLiteral("Datei:"), path_);
    layout->addLayout(fileForm);
    layout->addWidget(server_);
    auto* serverForm = new QFormLayout;
    serverForm->addRow(QStringLiteral("&Rechner:"), host_);
    serverForm->addRow(QStringLiteral("P&ort:"), port_);
    serverForm->addRow(QStringLiteral("Daten&bank:"), database_);
    serverForm->addRow(QStringLiteral("&Benutzer:"), user_);
    serverForm->addRow(QStringLiteral("Pass&wort:"), password_);
    layout->addLayout(serverForm);
    auto* hint = new QLabel(QStringLiteral("Das Passwort gilt nur für diese Sitzung; Ostrevik "
                                           "speichert es nicht."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addWidget(okCancel(this));
    const auto enable = [this] {
        path_->setEnabled(file_->isChecked());
        for (QWidget* w :
             std::initializer_list<QWidget*>{host_, port_, database_, user_, password_}) {
            w->setEnabled(server_->isChecked());
        }
    };
    connect(file_, &QRadioButton::toggled, this, enable);

    ServerAddress address;
    if (readArchiveAddress(current, address) == AddressReading::Server) {
        chooseServer(address.host, address.port > 0 ? address.port : 5432, address.database,
                     address.user);
    } else {
        chooseFile(current);
    }
    enable();
}

QString ArchiveChoiceDialog::archive() const {
    if (file_->isChecked()) {
        return path_->text().trimmed();
    }
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user_->text().trimmed());
    const QString host = host_->text().trimmed();
    QUrlQuery query;
    // A socket folder is no host name: libpq takes it as the parameter.
    if (host.startsWith(QLatin1Char('/'))) {
        query.addQueryItem(QStringLiteral("host"), host);
    } else {
        url.setHost(host);
    }
    if (port_->value() != 5432) {
        url.setPort(port_->value());
    }
    url.setPath(QLatin1Char('/') + database_->text().trimmed());
    url.setQuery(query);
    // Without a host QUrl writes no "//"; the address needs it.
    QString text = url.toString();
    if (!text.startsWith(QLatin1String("postgresql://"))) {
        text.replace(0, QStringLiteral("postgresql:").size(), QStringLiteral("postgresql://"));
    }
    return text;
}

QString ArchiveChoiceDialog::password() const {
    return server_->isChecked() ? password_->text() : QString();
}

void ArchiveChoiceDialog::chooseFile(const QString& path) {
    file_->setChecked(true);
    path_->setText(path);
}

void ArchiveChoiceDialog::chooseServer(const QString& host, int port, const QString& database,
                                       const QString& user, const QString& password) {
    server_->setChecked(true);
    host_->setText(host);
    port_->setValue(port);
    database_->setText(database);
    user_->setText(user);
    password_->setText(password);
}

}  // namespace ostrevik
