#include "archive/ui/ArchiveRingWindow.h"

#include "analysis/ui/ScorePanel.h"
#include "archive/ArchiveTexts.h"

#include <QVBoxLayout>

namespace ostrevik {

ArchiveRingWindow::ArchiveRingWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("RingeArchiv"));
    resize(1100, 700);
    panel_ = new ScorePanel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel_);
}

void ArchiveRingWindow::setRings(const QString& shooter, std::vector<ScoredTakeUp> takeUps,
                                 int sessions, const QString& problem) {
    setWindowTitle(ArchiveTexts::RingsCaption(shooter));
    panel_->setEmptyText(problem.isEmpty() ? ArchiveTexts::NoRingsShown() : problem);
    panel_->setTakeUps(std::move(takeUps), ArchiveTexts::RingsScope(shooter, sessions));
}

}  // namespace ostrevik
