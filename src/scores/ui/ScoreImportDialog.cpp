#include "scores/ui/ScoreImportDialog.h"

#include "analysis/TakeUpScore.h"
#include "common/NumberFormat.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrevik {
namespace {

const QChar kSeparators[] = {QChar(), QLatin1Char(';'), QLatin1Char(','), QLatin1Char('\t'),
                             QChar()};
constexpr int kNoSeparator = 4;
constexpr int kFields = 5;

enum MatchColumn { kTakeUp, kTakeUpTime, kShot, kRing, kShotTime, kLeaveOut, kMatchColumns };

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignRight) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

QString separatorName(QChar s) {
    if (s.isNull()) {
        return ScoreImportDialog::tr("keins");
    }
    if (s == QLatin1Char('\t')) {
        return ScoreImportDialog::tr("Tabulator");
    }
    return QStringLiteral("„%1“").arg(s);
}

}  // namespace

ScoreImportDialog::ScoreImportDialog(const QString& path, std::vector<TakeUpMetrics> shots,
                                     int existingRings, QWidget* parent)
    : ProgramDialog(parent), path_(path), shots_(std::move(shots)), existingRings_(existingRings) {
    setWindowTitle(tr("Ringe importieren"));
    setObjectName(QStringLiteral("RingeImportieren"));
    resize(920, 720);
    for (const TakeUpMetrics& m : shots_) {
        takeUps_.push_back({m.number(), std::nullopt});
    }

    Datei = new QLabel(this);
    Datei->setWordWrap(true);

    auto* columns = new QGroupBox(tr("Spalten der Datei"), this);
    Trennzeichen = new QComboBox(columns);
    Trennzeichen->addItems({tr("automatisch"), tr("Semikolon"), tr("Komma"), tr("Tabulator"),
                            tr("keins (eine Spalte)")});
    Kopfzeile = new QSpinBox(columns);
    Kopfzeile->setRange(0, kScorePreviewLines);
    Kopfzeile->setSpecialValueText(tr("keine"));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Trennzeichen:"), columns));
    row->addWidget(Trennzeichen);
    row->addSpacing(12);
    row->addWidget(new QLabel(tr("Kopfzeile:"), columns));
    row->addWidget(Kopfzeile);
    const QString names[kFields] = {tr("Nr.:"), tr("Ring:"), tr("X:"), tr("Y:"), tr("Zeit:")};
    for (int f = 0; f < kFields; ++f) {
        auto* box = new QComboBox(columns);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        Spalten.push_back(box);
        row->addSpacing(12);
        row->addWidget(new QLabel(names[f], columns));
        row->addWidget(box);
    }
    row->addStretch(1);
    Vorschau = new QTableWidget(columns);
    Vorschau->setObjectName(QStringLiteral("Vorschau"));
    Vorschau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Vorschau->setSelectionMode(QAbstractItemView::NoSelection);
    Vorschau->setMaximumHeight(200);
    Erkannt = new QLabel(columns);
    Erkannt->setWordWrap(true);
    auto* columnsLayout = new QVBoxLayout(columns);
    columnsLayout->addLayout(row);
    columnsLayout->addWidget(Vorschau);
    columnsLayout->addWidget(Erkannt);

    auto* matching = new QGroupBox(tr("Zuordnung: der n-te Schuss zur n-ten Druckpunktnahme mit "
                                      "Schuss"),
                                   this);
    Versatz = new QSpinBox(matching);
    Versatz->setRange(-9999, 9999);
    auto* shift = new QHBoxLayout;
    shift->addWidget(new QLabel(tr("Versatz:"), matching));
    shift->addWidget(Versatz);
    shift->addWidget(new QLabel(tr("Schüsse der Datei zuerst übergehen (negativ: "
                                   "Druckpunktnahmen)"),
                                matching));
    shift->addStretch(1);
    Zuordnung = new QTableWidget(0, kMatchColumns, matching);
    Zuordnung->setObjectName(QStringLiteral("Zuordnung"));
    Zuordnung->setHorizontalHeaderLabels({tr("Druckpunkt-\nnahme"), tr("Zeit bis\nSchuss (s)"),
                                          tr("Schuss der\nDatei"), tr("Ring"), tr("Zeit"),
                                          tr("Weglassen")});
    Zuordnung->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Zuordnung->setSelectionMode(QAbstractItemView::NoSelection);
    Zuordnung->verticalHeader()->hide();
    Zuordnung->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Ergebnis = new QLabel(matching);
    Ergebnis->setWordWrap(true);
    auto* matchingLayout = new QVBoxLayout(matching);
    matchingLayout->addLayout(shift);
    matchingLayout->addWidget(Zuordnung, 1);
    matchingLayout->addWidget(Ergebnis);

    auto* buttons = new QDialogButtonBox(this);
    ButtonUebernehmen = buttons->addButton(tr("Übernehmen"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Datei);
    layout->addWidget(columns);
    layout->addWidget(matching, 1);
    layout->addWidget(buttons);

    connect(Trennzeichen, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) {
            setSeparator(index);
        }
    });
    connect(Kopfzeile, &QSpinBox::valueChanged, this, [this] {
        if (!filling_) {
            readWithColumns();
        }
    });
    for (QComboBox* box : Spalten) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!filling_) {
                readWithColumns();
            }
        });
    }
    connect(Versatz, &QSpinBox::valueChanged, this, [this] {
        if (!filling_) {
            rematch();
        }
    });
    connect(Zuordnung, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != kLeaveOut) {
            return;
        }
        setLeftOut(item->data(Qt::UserRole).toInt(), item->checkState() == Qt::Checked);
    });

    read({});
}

void ScoreImportDialog::read(const ScoreFileOptions& options) {
    file_ = readScoreFile(path_, options);
    leftOut_.clear();
    showFile();
    rematch();
}

void ScoreImportDialog::setSeparator(int index) {
    index = std::clamp(index, 0, kNoSeparator);
    if (Trennzeichen->currentIndex() != index) {
        Trennzeichen->setCurrentIndex(index);  // runs this again through its signal
        return;
    }
    // Another separator splits the lines into other columns: found anew.
    ScoreFileOptions options;
    if (index > 0) {
        options.separator = kSeparators[index];
    }
    read(options);
}

void ScoreImportDialog::setHeaderLine(int line) {
    Kopfzeile->setValue(line);
}

void ScoreImportDialog::setColumn(int field, int column) {
    if (field >= 0 && field < kFields) {
        QComboBox* box = Spalten[static_cast<size_t>(field)];
        box->setCurrentIndex(std::max(0, box->findData(column)));
    }
}

void ScoreImportDialog::readWithColumns() {
    ScoreFileOptions options;
    const int s = Trennzeichen->currentIndex();
    options.separator = s > 0 ? kSeparators[s] : file_.separator;
    ScoreColumns c;
    int* fields[kFields] = {&c.number, &c.ring, &c.x, &c.y, &c.time};
    for (int f = 0; f < kFields; ++f) {
        *fields[f] = Spalten[static_cast<size_t>(f)]->currentData().toInt();
    }
    options.columns = c;
    options.headerLine = Kopfzeile->value() - 1;
    read(options);
}

void ScoreImportDialog::showFile() {
    filling_ = true;
    const QFileInfo info(path_);
    Datei->setText(tr("Datei: %1").arg(info.fileName()) +
                   (file_.ok() ? tr(" (%1)").arg(file_.encoding) : QString()));
    int width = 0;
    for (const QStringList& line : file_.preview) {
        width = std::max(width, static_cast<int>(line.size()));
    }
    Vorschau->clear();
    Vorschau->setRowCount(static_cast<int>(file_.preview.size()));
    Vorschau->setColumnCount(width);
    QStringList headers;
    for (int k = 0; k < width; ++k) {
        headers << QString::number(k + 1);
    }
    Vorschau->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < static_cast<int>(file_.preview.size()); ++r) {
        const QStringList& line = file_.preview[static_cast<size_t>(r)];
        for (int k = 0; k < line.size(); ++k) {
            Vorschau->setItem(r, k, cell(line[k], Qt::AlignLeft));
        }
    }
    Vorschau->resizeColumnsToContents();
    const int columns[kFields] = {file_.columns.number, file_.columns.ring, file_.columns.x,
                                  file_.columns.y, file_.columns.time};
    for (int f = 0; f < kFields; ++f) {
        QComboBox* box = Spalten[static_cast<size_t>(f)];
        box->clear();
        box->addItem(tr("–"), -1);
        for (int k = 0; k < width; ++k) {
            const QString name = k < file_.header.size() ? file_.header[k] : QString();
            box->addItem(name.isEmpty() ? QString::number(k + 1)
                                        : QStringLiteral("%1: %2").arg(k + 1).arg(name),
                         k);
        }
        box->setCurrentIndex(std::max(0, box->findData(columns[f])));
    }
    Kopfzeile->setValue(file_.headerLine + 1);
    filling_ = false;

    QStringList said;
    if (!file_.ok()) {
        said << file_.error;
    } else if (!file_.columnsKnown) {
        said << tr(
            "Keine Spalte mit den Ringen erkannt: Trennzeichen, Kopfzeile und die Spalte "
            "„Ring“ wählen.");
    } else {
        said << tr("Trennzeichen %1, %2, %3 Schüsse.")
                    .arg(separatorName(file_.separator),
                         file_.decimalComma ? tr("Dezimalkomma") : tr("Dezimalpunkt"))
                    .arg(file_.shots.size());
        if (file_.newestFirst) {
            said << tr(
                "Die Datei nennt den neuesten Schuss zuerst; die Schüsse sind in die "
                "Reihenfolge gebracht, in der sie fielen.");
        }
        if (const QString skipped = skippedLinesText(file_); !skipped.isEmpty()) {
            said << skipped;
        }
    }
    Erkannt->setText(said.join(QLatin1Char(' ')));
}

void ScoreImportDialog::setOffset(int offset) {
    Versatz->setValue(offset);  // rematches through its signal
}

void ScoreImportDialog::setLeftOut(int shotIndex, bool leftOut) {
    const auto it = std::ranges::find(leftOut_, shotIndex);
    if (leftOut && it == leftOut_.end()) {
        leftOut_.push_back(shotIndex);
    } else if (!leftOut && it != leftOut_.end()) {
        leftOut_.erase(it);
    } else {
        return;
    }
    rematch();
}

void ScoreImportDialog::rematch() {
    ScoreMatchOptions options;
    options.offset = Versatz->value();
    options.leftOut = leftOut_;
    match_ = matchScores(takeUps_, file_.shots, options);
    showMatch();
}

void ScoreImportDialog::showMatch() {
    filling_ = true;
    Zuordnung->setRowCount(static_cast<int>(match_.rows.size()));
    for (int r = 0; r < static_cast<int>(match_.rows.size()); ++r) {
        const ScoreMatchRow& row = match_.rows[static_cast<size_t>(r)];
        QString number;
        QString toShot;
        if (row.takeUpIndex) {
            const TakeUpMetrics& m = shots_[static_cast<size_t>(*row.takeUpIndex)];
            number = m.numberText();
            if (m.Schuss_ms) {
                toShot = decimalCommaText(*m.Schuss_ms / 1000.0, 2);
            }
        }
        Zuordnung->setItem(r, kTakeUp, cell(number, Qt::AlignCenter));
        Zuordnung->setItem(r, kTakeUpTime, cell(toShot));
        if (row.shotIndex) {
            const ScoreShot& s = file_.shots[static_cast<size_t>(*row.shotIndex)];
            Zuordnung->setItem(r, kShot, cell(QString::number(s.number), Qt::AlignCenter));
            Zuordnung->setItem(r, kRing, cell(ringText(s.ring)));
            Zuordnung->setItem(r, kShotTime, cell(s.time, Qt::AlignCenter));
            auto* leave = new QTableWidgetItem;
            leave->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            leave->setCheckState(row.leftOut ? Qt::Checked : Qt::Unchecked);
            leave->setData(Qt::UserRole, *row.shotIndex);
            Zuordnung->setItem(r, kLeaveOut, leave);
        } else {
            for (int c : {kShot, kRing, kShotTime, kLeaveOut}) {
                Zuordnung->setItem(r, c, cell(QString()));
            }
        }
        // Either side alone shows in red: it has no partner.
        if (!row.paired()) {
            for (int c = 0; c < kMatchColumns; ++c) {
                Zuordnung->item(r, c)->setForeground(QColor(0xA0, 0x10, 0x20));
            }
        }
    }
    filling_ = false;

    QStringList said;
    const int pairs = static_cast<int>(match_.pairs.size());
    if (match_.countsAgree()) {
        said << tr("%1 Schüsse, %1 Druckpunktnahmen mit Schuss: jeder Schuss hat seine "
                   "Druckpunktnahme.")
                    .arg(match_.shotCount);
    } else {
        said << countMismatchText(match_.takeUpCount, match_.shotCount)
             << tr("Zugeordnet: %1; rot, was ohne Partner bleibt.").arg(pairs);
    }
    if (existingRings_ > 0 && pairs > 0) {
        said << tr("Die %1 Ringe, die die Trainingseinheit schon hat, werden ersetzt.")
                    .arg(existingRings_);
    }
    Ergebnis->setText(said.join(QLatin1Char(' ')));
    ButtonUebernehmen->setEnabled(pairs > 0);
}

QString ScoreImportDialog::resultText() const {
    return Ergebnis->text();
}

bool ScoreImportDialog::canTakeOver() const {
    return ButtonUebernehmen->isEnabled();
}

}  // namespace ostrevik
