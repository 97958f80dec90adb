#pragma once

#include "analysis/PlotFrame.h"
#include "archive/ArchiveProgress.h"

#include <QWidget>

#include <optional>
#include <vector>

namespace ostrevik {

// The progress view of the archive window: paints the chosen metric's
// progress with the same code as the season report's pages; a click on a
// session's mark chooses it.
class ProgressView : public QWidget {
    Q_OBJECT
public:
    explicit ProgressView(QWidget* parent = nullptr);
    // Both must outlive the view or be replaced.
    void setProgress(const ProgressData* data, const ProgressTrend* trend);
    void setSelected(std::vector<qint64> ids);
    // The mapping of the last paint, for tests and hit tests.
    const PlotMapping& mapping() const { return mapping_; }
    QSize sizeHint() const override { return {800, 360}; }

signals:
    void sessionClicked(qint64 id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const ProgressData* data_ = nullptr;
    const ProgressTrend* trend_ = nullptr;
    std::vector<qint64> selected_;
    PlotMapping mapping_;
};

}  // namespace ostrevik
