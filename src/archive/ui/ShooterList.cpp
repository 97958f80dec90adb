#include "archive/ui/ShooterList.h"

#include "archive/ArchiveTexts.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrevik {

ShooterList::ShooterList(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Schützen"), this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("Schuetzen"));
    layout->addWidget(list_, 1);
    rename_ = new QPushButton(QStringLiteral("&Umbenennen…"), this);
    rename_->setObjectName(QStringLiteral("Umbenennen"));
    merge_ = new QPushButton(QStringLiteral("&Zusammenführen…"), this);
    merge_->setObjectName(QStringLiteral("Zusammenfuehren"));
    layout->addWidget(rename_);
    layout->addWidget(merge_);
    connect(list_, &QListWidget::currentRowChanged, this, [this] {
        if (!filling_) {
            emit currentChanged();
        }
    });
    connect(rename_, &QPushButton::clicked, this, &ShooterList::renameRequested);
    connect(merge_, &QPushButton::clicked, this, &ShooterList::mergeRequested);
    setWritable(false);
}

void ShooterList::setShooters(std::vector<ArchivedShooter> shooters, std::optional<qint64> keep) {
    filling_ = true;
    shooters_ = std::move(shooters);
    list_->clear();
    int row = shooters_.empty() ? -1 : 0;
    for (size_t i = 0; i < shooters_.size(); ++i) {
        const ArchivedShooter& s = shooters_[i];
        list_->addItem(
            QStringLiteral("%1 (%2)").arg(ArchiveTexts::ShooterName(s.name)).arg(s.sessions));
        if (keep && s.id == *keep) {
            row = static_cast<int>(i);
        }
    }
    list_->setCurrentRow(row);
    filling_ = false;
}

std::optional<ArchivedShooter> ShooterList::current() const {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(shooters_.size())) {
        return std::nullopt;
    }
    return shooters_[static_cast<size_t>(row)];
}

bool ShooterList::choose(const QString& name) {
    for (size_t i = 0; i < shooters_.size(); ++i) {
        if (shooters_[i].name == name) {
            list_->setCurrentRow(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void ShooterList::setWritable(bool writable) {
    rename_->setEnabled(writable && current().has_value());
    merge_->setEnabled(writable && current() && shooters_.size() > 1);
}

QStringList ShooterList::rows() const {
    QStringList out;
    for (int i = 0; i < list_->count(); ++i) {
        out << list_->item(i)->text();
    }
    return out;
}

QString ShooterList::currentRow() const {
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->text() : QString();
}

}  // namespace ostrevik
