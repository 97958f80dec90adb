#include "archive/ui/SessionFilters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace ostrevik {

SessionFilters::SessionFilters(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    metric_ = new QComboBox(this);
    metric_->setObjectName(QStringLiteral("Metrik"));
    for (Metric m : kMetrics) {
        metric_->addItem(metricHeader(m), static_cast<int>(m));
    }
    metric_->addItem(progressHeader(ProgressMetric::ring()), ProgressMetric::ring().index());
    metric_->setCurrentIndex(static_cast<int>(Metric::Schuss_ms));
    tag_ = new QComboBox(this);
    tag_->setObjectName(QStringLiteral("Marke"));
    period_ = new QCheckBox(QStringLiteral("&Zeitraum von"), this);
    from_ = new QDateEdit(this);
    to_ = new QDateEdit(this);
    for (QDateEdit* d : {from_, to_}) {
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
        d->setEnabled(false);
    }
    auto* metricLabel = new QLabel(QStringLiteral("&Kennwert:"), this);
    metricLabel->setBuddy(metric_);
    auto* tagLabel = new QLabel(QStringLiteral("&Marke:"), this);
    tagLabel->setBuddy(tag_);
    row->addWidget(metricLabel);
    row->addWidget(metric_);
    row->addSpacing(12);
    row->addWidget(tagLabel);
    row->addWidget(tag_);
    row->addSpacing(12);
    row->addWidget(period_);
    row->addWidget(from_);
    row->addWidget(new QLabel(QStringLiteral("bis"), this));
    row->addWidget(to_);
    row->addStretch();

    connect(metric_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) {
            emit metricChanged();
        }
    });
    connect(tag_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) {
            emit filterChanged();
        }
    });
    connect(period_, &QCheckBox::toggled, this, [this](bool on) {
        from_->setEnabled(on);
        to_->setEnabled(on);
        if (!filling_) {
            emit filterChanged();
        }
    });
    for (QDateEdit* d : {from_, to_}) {
        connect(d, &QDateEdit::dateChanged, this, [this] {
            if (!filling_ && period_->isChecked()) {
                emit filterChanged();
            }
        });
    }
}

ProgressMetric SessionFilters::chosenMetric() const {
    return ProgressMetric::fromIndex(metric_->currentData().toInt());
}

void SessionFilters::setMetric(ProgressMetric metric) {
    metric_->setCurrentIndex(metric_->findData(metric.index()));
}

QString SessionFilters::metricText() const {
    return metric_->currentText();
}

namespace {
constexpr int kDrillRole = Qt::UserRole + 1;
}  // namespace

void SessionFilters::setDrills(const QStringList& names) {
    filling_ = true;
    const QString chosen = chosenDrill();
    const int metrics = kMetricCount + 1;
    while (metric_->count() > metrics) {
        metric_->removeItem(metrics);
    }
    for (const QString& name : names) {
        metric_->addItem(
            QStringLiteral("Übung „%1“: %2").arg(name, progressHeader(ProgressMetric::passRate())),
            ProgressMetric::passRate().index());
        metric_->setItemData(metric_->count() - 1, name, kDrillRole);
    }
    if (metric_->currentIndex() < 0) {
        metric_->setCurrentIndex(static_cast<int>(Metric::Schuss_ms));
    }
    if (!chosen.isEmpty() && !chooseDrill(chosen)) {
        metric_->setCurrentIndex(static_cast<int>(Metric::Schuss_ms));
    }
    filling_ = false;
}

QString SessionFilters::chosenDrill() const {
    return metric_->currentData(kDrillRole).toString();
}

bool SessionFilters::chooseDrill(const QString& name) {
    const int index = metric_->findData(name, kDrillRole);
    if (index >= 0) {
        metric_->setCurrentIndex(index);
    }
    return index >= 0;
}

void SessionFilters::setTags(const QStringList& tags) {
    filling_ = true;
    const QString chosen = tag_->currentData().toString();
    tag_->clear();
    tag_->addItem(QStringLiteral("alle"), QString());
    for (const QString& t : tags) {
        tag_->addItem(t, t);
    }
    tag_->setCurrentIndex(std::max(0, tag_->findData(chosen)));
    filling_ = false;
}

void SessionFilters::setTag(const QString& tag) {
    tag_->setCurrentIndex(std::max(0, tag_->findData(tag)));
}

void SessionFilters::setPeriod(const QDate& from, const QDate& to) {
    filling_ = true;
    if (from.isValid()) {
        from_->setDate(from);
    }
    if (to.isValid()) {
        to_->setDate(to);
    }
    filling_ = false;
    if (period_->isChecked()) {
        emit filterChanged();
    } else {
        period_->setChecked(true);
    }
}

void SessionFilters::showSpan(const QDate& first, const QDate& last) {
    if (period_->isChecked()) {
        return;
    }
    filling_ = true;
    from_->setDate(first);
    to_->setDate(last);
    filling_ = false;
}

SessionFilter SessionFilters::filter(std::optional<qint64> shooterId) const {
    SessionFilter f;
    f.shooterId = shooterId;
    f.tag = tag_->currentData().toString();
    if (period_->isChecked()) {
        f.from = from_->date();
        f.to = to_->date();
    }
    return f;
}

}  // namespace ostrevik
