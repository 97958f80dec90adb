#include "archive/ui/ArchiveWindow.h"

#include "analysis/ui/ReportPdf.h"
#include "analysis/ui/ScorePanel.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSettings.h"
#include "archive/SeasonReport.h"
#include "archive/ui/ArchiveDialogs.h"
#include "archive/ui/ProgressView.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "common/ui/WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace ostrevik {
namespace {

// The figures the table shows per session, as the comparison of sessions
// shows them.
constexpr std::array<Metric, 4> kTableMetrics = {Metric::Schuss_ms, Metric::Anstieg_200,
                                                 Metric::Halt_160, Metric::Abweichung};
enum Column { kDatum, kDatei, kDruckpunktnahmen, kSchuesse, kMarken, kNotiz, kFirstMetric };

const QString kGermanDate = QStringLiteral("dd.MM.yyyy");

QPushButton* button(QWidget* parent, const QString& text, const QString& name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

TArchiveForm::TArchiveForm(ArchiveWindowHost& host, const QString& archivePath,
                           const QString& settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      host_(host),
      archivePath_(TrainingArchive::pathOrDefault(archivePath)),
      settingsPath_(settingsPath.isEmpty() ? defaultArchiveSettingsPath() : settingsPath) {
    setWindowTitle(QStringLiteral("Trainingsarchiv"));
    setObjectName(QStringLiteral("Trainingsarchiv"));
    resize(1200, 820);

    auto* layout = new QVBoxLayout(this);
    Hinweis = new QLabel(this);
    Hinweis->setWordWrap(true);
    Hinweis->setStyleSheet(QStringLiteral("color: #a01020;"));
    Hinweis->hide();
    layout->addWidget(Hinweis);

    auto* commands = new QHBoxLayout;
    ButtonDateien = button(this, QStringLiteral("&Dateien aufnehmen…"), QStringLiteral("Dateien"));
    ButtonOrdner = button(this, QStringLiteral("O&rdner aufnehmen…"), QStringLiteral("Ordner"));
    ButtonOeffnen = button(this, QStringLiteral("Ö&ffnen"), QStringLiteral("Oeffnen"));
    ButtonVergleichen = button(this, QStringLiteral("&Vergleichen"), QStringLiteral("Vergleichen"));
    ButtonBericht =
        button(this, QStringLiteral("&Saisonbericht als PDF…"), QStringLiteral("Saisonbericht"));
    ButtonRinge = button(this, tr("R&inge…"), QStringLiteral("Ringe"));
    ButtonRinge->setToolTip(
        tr("Welche Kennwerte und Fehlermarken mit weniger Ringen einhergehen, "
           "über die gezeigten Trainingseinheiten"));
    ButtonBearbeiten = button(this, QStringLiteral("&Bearbeiten…"), QStringLiteral("Bearbeiten"));
    ButtonEntfernen =
        button(this, QStringLiteral("Aus dem Archiv &entfernen"), QStringLiteral("Entfernen"));
    for (QPushButton* b : {ButtonDateien, ButtonOrdner, ButtonOeffnen, ButtonVergleichen,
                           ButtonRinge, ButtonBericht, ButtonBearbeiten, ButtonEntfernen}) {
        commands->addWidget(b);
    }
    commands->addStretch();
    layout->addLayout(commands);

    auto* split = new QSplitter(Qt::Horizontal, this);
    auto* left = new QWidget(split);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(QStringLiteral("Schützen"), left));
    Schuetzen = new QListWidget(left);
    leftLayout->addWidget(Schuetzen, 1);
    ButtonUmbenennen = button(left, QStringLiteral("&Umbenennen…"), QStringLiteral("Umbenennen"));
    ButtonZusammenfuehren =
        button(left, QStringLiteral("&Zusammenführen…"), QStringLiteral("Zusammenfuehren"));
    leftLayout->addWidget(ButtonUmbenennen);
    leftLayout->addWidget(ButtonZusammenfuehren);

    auto* right = new QWidget(split);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* filters = new QHBoxLayout;
    Metrik = new QComboBox(right);
    for (Metric m : kMetrics) {
        Metrik->addItem(metricHeader(m), static_cast<int>(m));
    }
    Metrik->addItem(progressHeader(ProgressMetric::ring()), ProgressMetric::ring().index());
    Metrik->setCurrentIndex(static_cast<int>(Metric::Schuss_ms));
    Marke = new QComboBox(right);
    Zeitraum = new QCheckBox(QStringLiteral("&Zeitraum von"), right);
    Von = new QDateEdit(right);
    Bis = new QDateEdit(right);
    for (QDateEdit* d : {Von, Bis}) {
        d->setDisplayFormat(kGermanDate);
        d->setCalendarPopup(true);
        d->setEnabled(false);
    }
    auto* metricLabel = new QLabel(QStringLiteral("&Kennwert:"), right);
    metricLabel->setBuddy(Metrik);
    auto* tagLabel = new QLabel(QStringLiteral("&Marke:"), right);
    tagLabel->setBuddy(Marke);
    filters->addWidget(metricLabel);
    filters->addWidget(Metrik);
    filters->addSpacing(12);
    filters->addWidget(tagLabel);
    filters->addWidget(Marke);
    filters->addSpacing(12);
    filters->addWidget(Zeitraum);
    filters->addWidget(Von);
    filters->addWidget(new QLabel(QStringLiteral("bis"), right));
    filters->addWidget(Bis);
    filters->addStretch();
    rightLayout->addLayout(filters);

    auto* rightSplit = new QSplitter(Qt::Vertical, right);
    Sitzungen = new QTableWidget(rightSplit);
    QStringList headers{
        QStringLiteral("Datum"),   QStringLiteral("Datei"),  QStringLiteral("Druckpunkt-\nnahmen"),
        QStringLiteral("Schüsse"), QStringLiteral("Marken"), QStringLiteral("Notiz")};
    for (Metric m : kTableMetrics) {
        // Caption and unit on two lines keep the columns narrow.
        headers << metricCaption(m) + QStringLiteral("\n(") + metricUnit(m) + QLatin1Char(')');
    }
    Sitzungen->setColumnCount(static_cast<int>(headers.size()));
    Sitzungen->setHorizontalHeaderLabels(headers);
    Sitzungen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Sitzungen->setSelectionBehavior(QAbstractItemView::SelectRows);
    Sitzungen->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Sitzungen->verticalHeader()->hide();
    Sitzungen->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Sitzungen->verticalHeader()->setDefaultSectionSize(Sitzungen->fontMetrics().height() + 6);
    Verlauf = new ProgressView(rightSplit);
    rightSplit->addWidget(Sitzungen);
    rightSplit->addWidget(Verlauf);
    rightSplit->setStretchFactor(0, 2);
    rightSplit->setStretchFactor(1, 3);
    rightLayout->addWidget(rightSplit, 1);
    TrendText = new QLabel(right);
    TrendText->setObjectName(QStringLiteral("TrendText"));
    TrendText->setWordWrap(true);
    QFont bold = TrendText->font();
    bold.setBold(true);
    TrendText->setFont(bold);
    rightLayout->addWidget(TrendText);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 5);
    layout->addWidget(split, 1);

    auto* bottom = new QHBoxLayout;
    Automatisch = new QCheckBox(QStringLiteral("&Gespeicherte Dateien ins Archiv aufnehmen"), this);
    Automatisch->setChecked(loadArchiveSettings(settingsPath_).importSaved);
    auto* schliessen = button(this, QStringLiteral("S&chließen"), QStringLiteral("Schliessen"));
    bottom->addWidget(Automatisch);
    bottom->addStretch();
    bottom->addWidget(schliessen);
    layout->addLayout(bottom);

    connect(ButtonDateien, &QPushButton::clicked, this, [this] { DateienAufnehmen(); });
    connect(ButtonOrdner, &QPushButton::clicked, this, [this] { OrdnerAufnehmen(); });
    connect(ButtonOeffnen, &QPushButton::clicked, this, [this] { Oeffnen(); });
    connect(ButtonVergleichen, &QPushButton::clicked, this, [this] { Vergleichen(); });
    connect(ButtonBericht, &QPushButton::clicked, this, [this] { Saisonbericht(); });
    connect(ButtonRinge, &QPushButton::clicked, this, [this] { Ringe(); });
    connect(ButtonBearbeiten, &QPushButton::clicked, this, [this] { Bearbeiten(); });
    connect(ButtonEntfernen, &QPushButton::clicked, this, [this] { Entfernen(); });
    connect(ButtonUmbenennen, &QPushButton::clicked, this, [this] { Umbenennen(); });
    connect(ButtonZusammenfuehren, &QPushButton::clicked, this, [this] { Zusammenfuehren(); });
    connect(schliessen, &QPushButton::clicked, this, &QWidget::close);
    connect(Schuetzen, &QListWidget::currentRowChanged, this, [this] {
        if (!filling_) {
            reloadSessions();
        }
    });
    connect(Metrik, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) {
            updateTrend();
        }
    });
    connect(Marke, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) {
            reloadSessions();
        }
    });
    connect(Zeitraum, &QCheckBox::toggled, this, [this](bool on) {
        Von->setEnabled(on);
        Bis->setEnabled(on);
        if (!filling_) {
            reloadSessions();
        }
    });
    for (QDateEdit* d : {Von, Bis}) {
        connect(d, &QDateEdit::dateChanged, this, [this] {
            if (!filling_ && Zeitraum->isChecked()) {
                reloadSessions();
            }
        });
    }
    connect(Sitzungen, &QTableWidget::itemSelectionChanged, this, [this] {
        Verlauf->setSelected(SelectedSessions());
        updateButtons();
    });
    connect(Sitzungen, &QTableWidget::cellDoubleClicked, this, [this] { Oeffnen(); });
    connect(Verlauf, &ProgressView::sessionClicked, this,
            [this](qint64 id) { SelectSessions({id}); });
    connect(Automatisch, &QCheckBox::toggled, this, [this](bool on) {
        if (!saveArchiveSettings({on}, settingsPath_)) {
            showError(QStringLiteral("Die Einstellung konnte nicht gespeichert werden (%1).")
                          .arg(settingsPath_));
        }
    });
    Verlauf->setProgress(&progress_, &trend_);
    updateButtons();
}

TArchiveForm::~TArchiveForm() = default;

void TArchiveForm::showError(const QString& message) {
    modalUi().message(this, message, Texts::kFehler, MessageButtons::Ok);
}

bool TArchiveForm::OpenArchive() {
    const std::optional<qint64> keep = CurrentShooter();
    archive_.reset();
    QString error;
    archive_ = TrainingArchive::open(archivePath_, error);
    const QString notice = archive_ ? archive_->notice() : error;
    Hinweis->setText(notice);
    Hinweis->setVisible(!notice.isEmpty());
    fillShooters(keep);
    return archive_ != nullptr;
}

void TArchiveForm::fillShooters(std::optional<qint64> keep) {
    filling_ = true;
    QString error;
    shooters_ = archive_ ? listShooters(*archive_, error) : std::vector<ArchivedShooter>{};
    Schuetzen->clear();
    int row = shooters_.empty() ? -1 : 0;
    for (size_t i = 0; i < shooters_.size(); ++i) {
        const ArchivedShooter& s = shooters_[i];
        Schuetzen->addItem(
            QStringLiteral("%1 (%2)").arg(shooterDisplayName(s.name)).arg(s.sessions));
        if (keep && s.id == *keep) {
            row = static_cast<int>(i);
        }
    }
    Schuetzen->setCurrentRow(row);
    const QString tag = Marke->currentData().toString();
    Marke->clear();
    Marke->addItem(QStringLiteral("alle"), QString());
    const QStringList tags = archive_ ? allTags(*archive_, error) : QStringList();
    for (const QString& t : tags) {
        Marke->addItem(t, t);
    }
    Marke->setCurrentIndex(std::max(0, Marke->findData(tag)));
    filling_ = false;
    if (!error.isEmpty()) {
        Hinweis->setText(error);
        Hinweis->show();
    }
    reloadSessions();
}

std::optional<qint64> TArchiveForm::CurrentShooter() const {
    const int row = Schuetzen ? Schuetzen->currentRow() : -1;
    if (row < 0 || row >= static_cast<int>(shooters_.size())) {
        return std::nullopt;
    }
    return shooters_[static_cast<size_t>(row)].id;
}

std::optional<ArchivedShooter> TArchiveForm::shooter() const {
    const int row = Schuetzen->currentRow();
    if (row < 0 || row >= static_cast<int>(shooters_.size())) {
        return std::nullopt;
    }
    return shooters_[static_cast<size_t>(row)];
}

SessionFilter TArchiveForm::filter() const {
    SessionFilter f;
    f.shooterId = CurrentShooter();
    f.tag = Marke->currentData().toString();
    if (Zeitraum->isChecked()) {
        f.from = Von->date();
        f.to = Bis->date();
    }
    return f;
}

void TArchiveForm::reloadSessions() {
    sessions_.clear();
    progress_ = {};
    QString error;
    if (archive_ && CurrentShooter()) {
        const WaitCursor wait;
        const SessionFilter f = filter();
        sessions_ = listSessions(*archive_, f, error);
        if (error.isEmpty()) {
            loadProgress(*archive_, f, sessions_, progress_, error);
        }
        if (!Zeitraum->isChecked() && !sessions_.empty()) {
            // The period the sessions span, as a start for a narrower one.
            filling_ = true;
            Von->setDate(sessions_.front().date);
            Bis->setDate(sessions_.back().date);
            filling_ = false;
        }
    }
    if (!error.isEmpty()) {
        Hinweis->setText(error);
        Hinweis->show();
    }
    fillTable();
    updateTrend();
    updateRings();
}

void TArchiveForm::fillTable() {
    Sitzungen->clearContents();
    Sitzungen->setRowCount(static_cast<int>(sessions_.size()));
    for (size_t r = 0; r < sessions_.size(); ++r) {
        const ArchivedSession& s = sessions_[r];
        const bool missing = !QFileInfo::exists(s.path);
        QStringList cells{s.date.toString(kGermanDate),      QFileInfo(s.path).fileName(),
                          QString::number(s.takeUps),        QString::number(s.shots),
                          s.tags.join(QStringLiteral(", ")), s.note};
        const ProgressSession* p = r < progress_.sessions.size() && progress_.sessions[r].id == s.id
                                       ? &progress_.sessions[r]
                                       : nullptr;
        for (Metric m : kTableMetrics) {
            cells << (p ? formatMetricValue(m, p->figure(m).mean) : QString());
        }
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            const bool text = c == kDatei || c == kMarken || c == kNotiz || c == kDatum;
            item->setTextAlignment(text ? Qt::AlignLeft | Qt::AlignVCenter
                                        : Qt::AlignRight | Qt::AlignVCenter);
            if (c == kDatei) {
                item->setToolTip(missing ? QStringLiteral("Datei nicht gefunden: ") + s.path
                                         : s.path);
                if (missing) {
                    item->setForeground(QColor(0xA0, 0x10, 0x20));
                }
            }
            Sitzungen->setItem(static_cast<int>(r), c, item);
        }
    }
    Sitzungen->resizeColumnsToContents();
    // A long note must not push the figures out of sight.
    Sitzungen->setColumnWidth(kNotiz, std::min(Sitzungen->columnWidth(kNotiz), 220));
    updateButtons();
}

void TArchiveForm::updateTrend() {
    trend_ = progressTrend(progress_, ProgressMetric::fromIndex(Metrik->currentData().toInt()));
    TrendText->setText(progress_.sessions.empty() ? QString() : trendWords(trend_));
    Verlauf->setProgress(&progress_, &trend_);
    Verlauf->setSelected(SelectedSessions());
}

void TArchiveForm::SetMetric(ProgressMetric metric) {
    Metrik->setCurrentIndex(Metrik->findData(metric.index()));
}

ScorePanel* TArchiveForm::Ringe() {
    if (!ringWindow_) {
        ringWindow_ = new QWidget(this, Qt::Window);
        ringWindow_->setObjectName(QStringLiteral("RingeArchiv"));
        ringWindow_->resize(1100, 700);
        ringPanel_ = new ScorePanel(ringWindow_);
        auto* layout = new QVBoxLayout(ringWindow_);
        layout->addWidget(ringPanel_);
    }
    updateRings();
    ringWindow_->show();
    ringWindow_->raise();
    ringWindow_->activateWindow();
    return ringPanel_;
}

void TArchiveForm::updateRings() {
    if (!ringWindow_) {
        return;
    }
    const std::optional<ArchivedShooter> s = shooter();
    ArchivedScores scores;
    QString error;
    if (archive_ && s) {
        const WaitCursor wait;
        loadArchivedScores(*archive_, filter(), sessions_, scores, error);
    }
    const QString name = s ? shooterDisplayName(s->name) : QString();
    ringWindow_->setWindowTitle(tr("Ringe – %1").arg(name));
    QString scope = name;
    if (scores.sessions > 0) {
        scope += scores.sessions == 1 ? tr(", 1 Trainingseinheit")
                                      : tr(", %1 Trainingseinheiten").arg(scores.sessions);
    }
    ringPanel_->setEmptyText(
        !error.isEmpty() ? error
                         : tr("Keine der gezeigten Trainingseinheiten hat Ringe. Ringe kommen mit "
                              "„Analyse → Ringe importieren…“ oder der Spalte „Ring“ der "
                              "Einzelwerte ins Archiv."));
    ringPanel_->setTakeUps(std::move(scores.takeUps), scope);
}

void TArchiveForm::SetTagFilter(const QString& tag) {
    Marke->setCurrentIndex(std::max(0, Marke->findData(tag)));
}

void TArchiveForm::SetPeriod(const QDate& from, const QDate& to) {
    filling_ = true;
    if (from.isValid()) {
        Von->setDate(from);
    }
    if (to.isValid()) {
        Bis->setDate(to);
    }
    filling_ = false;
    if (Zeitraum->isChecked()) {
        reloadSessions();
    } else {
        Zeitraum->setChecked(true);
    }
}

bool TArchiveForm::ChooseShooter(const QString& name) {
    for (size_t i = 0; i < shooters_.size(); ++i) {
        if (shooters_[i].name == name) {
            Schuetzen->setCurrentRow(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

std::vector<qint64> TArchiveForm::SelectedSessions() const {
    std::vector<qint64> ids;
    for (const ArchivedSession* s : chosen()) {
        ids.push_back(s->id);
    }
    return ids;
}

std::vector<const ArchivedSession*> TArchiveForm::chosen() const {
    std::vector<int> rows;
    for (const QModelIndex& i : Sitzungen->selectionModel()->selectedRows()) {
        rows.push_back(i.row());
    }
    std::ranges::sort(rows);
    std::vector<const ArchivedSession*> out;
    for (int r : rows) {
        if (r >= 0 && r < static_cast<int>(sessions_.size())) {
            out.push_back(&sessions_[static_cast<size_t>(r)]);
        }
    }
    return out;
}

void TArchiveForm::SelectSessions(const std::vector<qint64>& ids) {
    Sitzungen->clearSelection();
    for (size_t r = 0; r < sessions_.size(); ++r) {
        if (std::ranges::find(ids, sessions_[r].id) != ids.end()) {
            Sitzungen->selectionModel()->select(
                Sitzungen->model()->index(static_cast<int>(r), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
            Sitzungen->scrollToItem(Sitzungen->item(static_cast<int>(r), 0));
        }
    }
}

void TArchiveForm::updateButtons() {
    const bool writable = archive_ && !archive_->readOnly();
    const size_t n = chosen().size();
    ButtonDateien->setEnabled(writable);
    ButtonOrdner->setEnabled(writable);
    ButtonOeffnen->setEnabled(n > 0);
    ButtonVergleichen->setEnabled(n >= 2);
    ButtonBericht->setEnabled(!sessions_.empty());
    ButtonRinge->setEnabled(!sessions_.empty());
    ButtonBearbeiten->setEnabled(writable && n == 1);
    ButtonEntfernen->setEnabled(writable && n > 0);
    ButtonUmbenennen->setEnabled(writable && CurrentShooter().has_value());
    ButtonZusammenfuehren->setEnabled(writable && CurrentShooter() && shooters_.size() > 1);
}

ImportSummary TArchiveForm::Aufnehmen(const QStringList& paths) {
    if (!archive_ && !OpenArchive()) {
        showError(Hinweis->text());
        return {};
    }
    ImportSummary summary;
    {
        const WaitCursor wait;
        summary = importPaths(*archive_, paths, loadAnalysisSettings());
    }
    fillShooters(CurrentShooter());
    const bool trouble = !summary.ok();
    modalUi().message(this, summary.text(), trouble ? Texts::kWarnung : Texts::kMeldung,
                      MessageButtons::Ok);
    return summary;
}

bool TArchiveForm::DateienAufnehmen() {
    FileDialogRequest request;
    request.caption = QStringLiteral("Dateien ins Trainingsarchiv aufnehmen");
    request.filter = Texts::kPvoFilter;
    const QStringList paths = modalUi().openFileNames(this, request);
    if (paths.isEmpty()) {
        return false;
    }
    Aufnehmen(paths);
    return true;
}

bool TArchiveForm::OrdnerAufnehmen() {
    FileDialogRequest request;
    request.caption =
        QStringLiteral("Ordner ins Trainingsarchiv aufnehmen (alle Messdateien darunter)");
    const QString dir = modalUi().existingDirectory(this, request);
    if (dir.isEmpty()) {
        return false;
    }
    Aufnehmen({dir});
    return true;
}

void TArchiveForm::Oeffnen() {
    for (const ArchivedSession* s : chosen()) {
        if (!QFileInfo::exists(s->path)) {
            showError(
                QStringLiteral("Die Datei %1 wurde nicht gefunden.\nWurde sie verschoben, "
                               "findet „Ordner aufnehmen…“ mit ihrem neuen Ordner sie wieder.")
                    .arg(s->path));
            continue;
        }
        host_.OpenDocument(s->path);
    }
}

void TArchiveForm::Vergleichen() {
    QStringList paths;
    for (const ArchivedSession* s : chosen()) {
        paths << s->path;
    }
    if (paths.size() < 2) {
        modalUi().message(this,
                          QStringLiteral("Zum Vergleichen mindestens zwei Trainingseinheiten "
                                         "in der Tabelle wählen."),
                          Texts::kMeldung, MessageButtons::Ok);
        return;
    }
    host_.CompareFiles(paths);
}

bool TArchiveForm::Saisonbericht() {
    const std::optional<ArchivedShooter> s = shooter();
    if (!archive_ || !s || sessions_.empty()) {
        return false;
    }
    FileDialogRequest request;
    request.caption = QStringLiteral("Saisonbericht als PDF");
    request.initialPath =
        QFileInfo(sessions_.front().path)
            .dir()
            .filePath(QStringLiteral("Saisonbericht %1.pdf").arg(shooterDisplayName(s->name)));
    request.filter = QStringLiteral("PDF-Datei (*.pdf)");
    request.defaultSuffix = QStringLiteral("pdf");
    const QString path = modalUi().saveFileName(this, request);
    if (path.isEmpty()) {
        return false;
    }
    Season season;
    season.shooter = s->name;
    const SessionFilter f = filter();
    season.from = f.from;
    season.to = f.to;
    season.tag = f.tag;
    QString error;
    FileWriteResult written;
    {
        const WaitCursor wait;
        if (loadSeason(*archive_, s->id, season, error)) {
            written = writeTrainingReportPdf(
                path, seasonReportInput(season, host_.UserName(), host_.Display(),
                                        loadAnalysisSettings()));
        }
    }
    if (!error.isEmpty()) {
        showError(error);
        return false;
    }
    if (!written.ok) {
        showError(Texts::FileNotSaved(path, written.reason));
        return false;
    }
    if (!season.warnings.isEmpty()) {
        modalUi().message(this,
                          QStringLiteral("Der Saisonbericht ist ohne diese Trainingseinheiten "
                                         "geschrieben:\n") +
                              season.warnings.join(QLatin1Char('\n')),
                          Texts::kWarnung, MessageButtons::Ok);
    }
    return true;
}

bool TArchiveForm::Bearbeiten() {
    const auto c = chosen();
    if (!archive_ || c.size() != 1) {
        return false;
    }
    const ArchivedSession session = *c.front();
    QStringList names;
    for (const ArchivedShooter& s : shooters_) {
        names << s.name;
    }
    SessionEditDialog dialog(session, names, this);
    if (modalUi().execDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    QString error;
    bool ok = setSessionTags(*archive_, session.id, dialog.tags(), error) &&
              setSessionNote(*archive_, session.id, dialog.note(), error);
    if (ok && dialog.shooter() != session.shooter) {
        ok = setSessionShooter(*archive_, session.id, dialog.shooter(), error);
    }
    if (!ok) {
        showError(error);
    }
    fillShooters(CurrentShooter());
    SelectSessions({session.id});
    return ok;
}

bool TArchiveForm::Entfernen() {
    const auto c = chosen();
    if (!archive_ || c.empty()) {
        return false;
    }
    if (modalUi().message(this,
                          QStringLiteral("%1 Trainingseinheit(en) aus dem Archiv entfernen? Die "
                                         "Messdateien bleiben erhalten.")
                              .arg(c.size()),
                          Texts::kWarnung, MessageButtons::YesNo) != MessageAnswer::Yes) {
        return false;
    }
    QString error;
    for (const ArchivedSession* s : c) {
        if (!removeSession(*archive_, s->id, error)) {
            showError(error);
            break;
        }
    }
    fillShooters(CurrentShooter());
    return error.isEmpty();
}

bool TArchiveForm::Umbenennen() {
    const std::optional<ArchivedShooter> s = shooter();
    if (!archive_ || !s) {
        return false;
    }
    RenameShooterDialog dialog(*s, this);
    if (modalUi().execDialog(dialog) != QDialog::Accepted || dialog.name() == s->name) {
        return false;
    }
    QString error;
    if (!renameShooter(*archive_, s->id, dialog.name(), error)) {
        showError(error);
        return false;
    }
    fillShooters(s->id);
    return true;
}

bool TArchiveForm::Zusammenfuehren() {
    const std::optional<ArchivedShooter> s = shooter();
    if (!archive_ || !s || shooters_.size() < 2) {
        return false;
    }
    MergeShootersDialog dialog(*s, shooters_, this);
    if (modalUi().execDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    const qint64 target = dialog.target();
    QString error;
    if (!mergeShooters(*archive_, s->id, target, error)) {
        showError(error);
        return false;
    }
    fillShooters(target);
    return true;
}

}  // namespace ostrevik
