#include "archive/ui/ArchiveWindow.h"

#include "analysis/ui/ScorePanel.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSettings.h"
#include "archive/ArchiveTexts.h"
#include "archive/ui/ArchiveRingWindow.h"
#include "archive/ui/ProgressView.h"
#include "archive/ui/SessionFilters.h"
#include "archive/ui/SessionTable.h"
#include "archive/ui/ShooterList.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "common/ui/WaitCursor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace ostrevik {

TArchiveForm::TArchiveForm(ArchiveWindowHost& host, const QString& archivePath,
                           const QString& settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      host_(host),
      archivePath_(archivePath),
      settingsPath_(settingsPath.isEmpty() ? defaultArchiveSettingsPath() : settingsPath) {
    if (archivePath_.isEmpty()) {
        // The archive chosen last with "Archiv wählen…", else the default.
        archivePath_ = loadArchiveSettings(settingsPath_).archive;
        if (archivePath_.isEmpty()) {
            archivePath_ = TrainingArchive::defaultPath();
        }
    }
    setWindowTitle(QStringLiteral("Trainingsarchiv"));
    setObjectName(QStringLiteral("Trainingsarchiv"));
    resize(1200, 820);

    auto* layout = new QVBoxLayout(this);
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("Hinweis"));
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("color: #a01020;"));
    notice_->hide();
    layout->addWidget(notice_);
    toolbar_ = new ArchiveToolbar(this);
    layout->addWidget(toolbar_);

    auto* split = new QSplitter(Qt::Horizontal, this);
    shooters_ = new ShooterList(split);
    auto* right = new QWidget(split);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    filters_ = new SessionFilters(right);
    rightLayout->addWidget(filters_);
    auto* rightSplit = new QSplitter(Qt::Vertical, right);
    table_ = new SessionTable(rightSplit);
    progressView_ = new ProgressView(rightSplit);
    rightSplit->addWidget(table_);
    rightSplit->addWidget(progressView_);
    rightSplit->setStretchFactor(0, 2);
    rightSplit->setStretchFactor(1, 3);
    rightLayout->addWidget(rightSplit, 1);
    trendText_ = new QLabel(right);
    trendText_->setObjectName(QStringLiteral("TrendText"));
    trendText_->setWordWrap(true);
    QFont bold = trendText_->font();
    bold.setBold(true);
    trendText_->setFont(bold);
    rightLayout->addWidget(trendText_);
    split->addWidget(shooters_);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 5);
    layout->addWidget(split, 1);

    auto* bottom = new QHBoxLayout;
    importSaved_ =
        new QCheckBox(QStringLiteral("&Gespeicherte Dateien ins Archiv aufnehmen"), this);
    importSaved_->setChecked(loadArchiveSettings(settingsPath_).importSaved);
    auto* schliessen = new QPushButton(QStringLiteral("S&chließen"), this);
    schliessen->setObjectName(QStringLiteral("Schliessen"));
    bottom->addWidget(importSaved_);
    bottom->addStretch();
    bottom->addWidget(schliessen);
    layout->addLayout(bottom);

    connect(toolbar_, &ArchiveToolbar::triggered, this, &TArchiveForm::run);
    connect(shooters_, &ShooterList::renameRequested, this, [this] { Umbenennen(); });
    connect(shooters_, &ShooterList::mergeRequested, this, [this] { Zusammenfuehren(); });
    connect(schliessen, &QPushButton::clicked, this, &QWidget::close);
    connect(shooters_, &ShooterList::currentChanged, this, &TArchiveForm::reloadSessions);
    connect(filters_, &SessionFilters::metricChanged, this, &TArchiveForm::updateTrend);
    connect(filters_, &SessionFilters::filterChanged, this, &TArchiveForm::reloadSessions);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        progressView_->setSelected(SelectedSessions());
        updateButtons();
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { Oeffnen(); });
    connect(progressView_, &ProgressView::sessionClicked, this,
            [this](qint64 id) { SelectSessions({id}); });
    connect(importSaved_, &QCheckBox::toggled, this, [this](bool on) {
        ArchiveSettings settings = loadArchiveSettings(settingsPath_);
        settings.importSaved = on;
        if (!saveArchiveSettings(settings, settingsPath_)) {
            showError(ArchiveTexts::SettingNotSaved(settingsPath_));
        }
    });
    progressView_->setProgress(&progress_, &trend_);
    updateButtons();
}

TArchiveForm::~TArchiveForm() = default;

void TArchiveForm::showNotice(const QString& text) {
    notice_->setText(text);
    notice_->setVisible(!text.isEmpty());
}

void TArchiveForm::showError(const QString& message) {
    modalUi().message(this, message, Texts::kFehler, MessageButtons::Ok);
}

void TArchiveForm::fillShooters(std::optional<qint64> keep) {
    ArchiveError error;
    shooters_->setShooters(
        archive_ ? listShooters(*archive_, error) : std::vector<ArchivedShooter>{}, keep);
    filters_->setTags(archive_ ? allTags(*archive_, error) : QStringList());
    if (error.failed()) {
        showNotice(ArchiveTexts::Problem(error));
    }
    reloadSessions();
}

std::optional<qint64> TArchiveForm::CurrentShooter() const {
    const std::optional<ArchivedShooter> s = shooter();
    return s ? std::optional(s->id) : std::nullopt;
}

std::optional<ArchivedShooter> TArchiveForm::shooter() const {
    return shooters_->current();
}

SessionFilter TArchiveForm::filter() const {
    return filters_->filter(CurrentShooter());
}

void TArchiveForm::reloadSessions() {
    sessions_.clear();
    progress_ = {};
    ArchiveError error;
    if (archive_ && CurrentShooter()) {
        const WaitCursor wait;
        const SessionFilter f = filter();
        sessions_ = listSessions(*archive_, f, error);
        if (error.ok()) {
            loadProgress(*archive_, f, sessions_, progress_, error);
        }
        if (error.ok()) {
            // The drills run in these sessions, whose pass rate may be followed.
            const QStringList drills = drillNamesRun(*archive_, f, sessions_, error);
            filters_->setDrills(drills);
        }
        if (error.ok() && !filters_->chosenDrill().isEmpty()) {
            loadDrillPassRates(*archive_, f, filters_->chosenDrill(), progress_, error);
        }
        if (!sessions_.empty()) {
            filters_->showSpan(sessions_.front().date, sessions_.back().date);
        }
    }
    if (error.failed()) {
        showNotice(ArchiveTexts::Problem(error));
    }
    table_->setSessions(sessions_, progress_);
    updateButtons();
    updateTrend();
    updateRings();
}

void TArchiveForm::updateTrend() {
    const QString drill = filters_->chosenDrill();
    if (!drill.isEmpty() && drill != progress_.drill && archive_) {
        ArchiveError error;
        if (!loadDrillPassRates(*archive_, filter(), drill, progress_, error)) {
            showNotice(ArchiveTexts::Problem(error));
        }
    }
    trend_ = progressTrend(progress_, filters_->chosenMetric());
    trendText_->setText(progress_.sessions.empty() ? QString() : ArchiveTexts::TrendWords(trend_));
    progressView_->setProgress(&progress_, &trend_);
    progressView_->setSelected(SelectedSessions());
}

void TArchiveForm::updateRings() {
    if (!ringWindow_) {
        return;
    }
    const std::optional<ArchivedShooter> s = shooter();
    ArchivedScores scores;
    ArchiveError error;
    if (archive_ && s) {
        const WaitCursor wait;
        loadArchivedScores(*archive_, filter(), sessions_, scores, error);
    }
    ringWindow_->setRings(s ? ArchiveTexts::ShooterName(s->name) : QString(),
                          std::move(scores.takeUps), scores.sessions, ArchiveTexts::Problem(error));
}

void TArchiveForm::updateButtons() {
    const bool writable = archive_ && !archive_->readOnly();
    toolbar_->update(writable, table_->chosen().size(), !sessions_.empty());
    shooters_->setWritable(writable);
}

void TArchiveForm::SetMetric(ProgressMetric metric) {
    filters_->setMetric(metric);
}

void TArchiveForm::SetTagFilter(const QString& tag) {
    filters_->setTag(tag);
}

void TArchiveForm::SetPeriod(const QDate& from, const QDate& to) {
    filters_->setPeriod(from, to);
}

bool TArchiveForm::ChooseShooter(const QString& name) {
    return shooters_->choose(name);
}

void TArchiveForm::SetImportSaved(bool on) {
    importSaved_->setChecked(on);
}

std::vector<qint64> TArchiveForm::SelectedSessions() const {
    return table_->chosenIds();
}

void TArchiveForm::SelectSessions(const std::vector<qint64>& ids) {
    table_->choose(ids);
}

QString TArchiveForm::Notice() const {
    return notice_->isHidden() ? QString() : notice_->text();
}

QStringList TArchiveForm::ShooterRows() const {
    return shooters_->rows();
}

QString TArchiveForm::CurrentShooterRow() const {
    return shooters_->currentRow();
}

QString TArchiveForm::MetricText() const {
    return filters_->metricText();
}

QString TArchiveForm::TrendText() const {
    return trendText_->text();
}

bool TArchiveForm::Offers(ArchiveCommand command) const {
    return toolbar_->offers(command);
}

bool TArchiveForm::ImportSaved() const {
    return importSaved_->isChecked();
}

}  // namespace ostrevik
