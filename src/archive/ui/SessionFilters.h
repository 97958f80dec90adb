#pragma once

#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"

#include <QDate>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;

namespace ostrevik {

// The row above the sessions of the window "Trainingsarchiv": the metric
// whose progress is shown, and the filters by tag and period.
class SessionFilters : public QWidget {
    Q_OBJECT
public:
    explicit SessionFilters(QWidget* parent = nullptr);

    ProgressMetric chosenMetric() const;
    void setMetric(ProgressMetric metric);
    QString metricText() const;
    // The drills whose pass rate may be followed, offered after the
    // metrics; the one chosen stays while offered (else the time to the
    // shot is chosen). Tells no change.
    void setDrills(const QStringList& names);
    // The drill whose pass rate is chosen; empty when a metric is.
    QString chosenDrill() const;
    bool chooseDrill(const QString& name);

    // The tags offered ("alle" first); the one chosen stays while offered.
    // Tells no change.
    void setTags(const QStringList& tags);
    void setTag(const QString& tag);  // empty: every session

    // The period; open at both ends while "Zeitraum von" is not ticked.
    void setPeriod(const QDate& from, const QDate& to);  // ticks it; invalid: kept
    // The days the sessions shown span, as a start for a narrower period;
    // only while no period is chosen. Tells no change.
    void showSpan(const QDate& first, const QDate& last);

    // The shooter's sessions as the filters choose them.
    SessionFilter filter(std::optional<qint64> shooterId) const;

signals:
    void metricChanged();
    void filterChanged();

private:
    QComboBox* metric_ = nullptr;
    QComboBox* tag_ = nullptr;
    QCheckBox* period_ = nullptr;
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    bool filling_ = false;
};

}  // namespace ostrevik
