#pragma once

#include "analysis/PlotFrame.h"
#include "archive/ArchiveProgress.h"

#include <QColor>
#include <QString>
#include <QStringList>

class QPainter;

namespace ostrevik {

// The group a session's mark shows: its tags as one text ("scharf,
// Wettkampf"), "ohne Marken" without any.
QString tagGroup(const ProgressSession& session);
// The groups of the sessions in the order of their first session.
QStringList tagGroups(const ProgressData& data);

// The progress view: one metric per session over the calendar, the mean as
// a mark whose form and colour tell the session's tag group, its 95 %
// interval as a bar, and the trend as a straight line across the sessions'
// days; a legend of the groups. Painted into target of any painter (the
// window, a report page). `selected` sessions (by id) are ringed. Returns
// the mapping (x in days from the first session) for hit tests.
PlotMapping paintProgress(QPainter& painter, const QRectF& target, const ProgressData& data,
                          const ProgressTrend& trend, const std::vector<qint64>& selected = {});

// The session whose mark lies nearest to a point of the plot, within a few
// pixels; none elsewhere.
std::optional<qint64> sessionAt(const PlotMapping& mapping, const ProgressData& data,
                                ProgressMetric metric, const QPointF& point);

}  // namespace ostrevik
