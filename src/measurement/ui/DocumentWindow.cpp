#include "measurement/ui/DocumentWindow.h"

#include "common/Texts.h"
#include "common/ui/ModalUi.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrevik {

namespace {

constexpr int kKopfZeilenHoehe = 20;

}  // namespace

TMDIChild::TMDIChild(DocumentHost& host, QWidget* parent)
    : QWidget(parent),
      dokument_(new MeasurementDocument(&host.Settings(), this)),
      Liste(&dokument_->Liste()),
      Dateiname(dokument_->Dateiname),
      Kopf(dokument_->Kopf),
      Unbenannt(dokument_->Unbenannt),
      Geaendert(dokument_->Geaendert),
      host_(host) {
    // A closed document window is freed with its document.
    setAttribute(Qt::WA_DeleteOnClose);

    DrawGrid1 = new TDrawGrid(this);
    DrawGrid1->setObjectName(QStringLiteral("DrawGrid1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DrawGrid1);
    setFocusProxy(DrawGrid1);

    DrawGrid1->SetDefaultRowHeight(300);
    DrawGrid1->SetColWidth(700);
    DrawGrid1->SetRowCount(2);
    DrawGrid1->SetFixedRows(1);
    DrawGrid1->SetRowHeight(0, kKopfZeilenHoehe);

    Gitter = std::make_unique<DrawGridRasters_t>(DrawGrid1, *dokument_, 1);
    Gitter->KopfZeichnen = [this](QPainter& p, int, int, const QRect& rect,
                                  TDrawGrid::ZellZustand) { KopfZeichnen(p, rect); };
    DrawGrid1->OnSelectCell = [this](int row) { DrawGrid1SelectCell(row); };
    Gitter->OnRecordsChanged = [this] { emit RecordsChanged(); };
    FolgeDerAufnahme();
    connect(dokument_, &MeasurementDocument::headerChanged, DrawGrid1,
            [this] { DrawGrid1->InvalidateRow(0); });
    connect(dokument_, &MeasurementDocument::fileNameChanged, this, [this] {
        // "[*]" would be taken as the modified-mark placeholder.
        QString titel = Dateiname;
        titel.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
        setWindowTitle(titel);
        if (FensterEintrag) {
            FensterEintrag->setText(QFileInfo(Dateiname).fileName());
        }
    });
    SetzeDateiname(QStringLiteral("nix.pvo"));

    PopupMenu1 = new QMenu(this);
    Entfernen1 = PopupMenu1->addAction(QStringLiteral("Entfernen"));
    connect(Entfernen1, &QAction::triggered, this, [this] { Entfernen1Click(); });
    DrawGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DrawGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (DrawGrid1ContextPopup(pos)) {
            PopupMenu1->popup(DrawGrid1->viewport()->mapToGlobal(pos));
        }
    });

    // The window sees the keys before the grid does.
    DrawGrid1->installEventFilter(this);

    // 80 pixels more than the form's 368, so the header row and one whole
    // record row fit without scrolling.
    resize(759, 368 + 80);
}

TMDIChild::~TMDIChild() {
    Gitter->OnRecordsChanged = nullptr;
    DrawGrid1->OnSelectCell = nullptr;
    DrawGrid1->removeEventFilter(this);
    // The document's observers hear nothing more from this window.
    dokument_->disconnect(this);
    dokument_->disconnect(DrawGrid1);
    Gitter.reset();
}

void TMDIChild::FolgeDerAufnahme() {
    connect(dokument_, &MeasurementDocument::captureStarted, this, [this] {
        ScrollHome();
        DrawGrid1->SetRow(LetzteZeile());
    });
    connect(dokument_, &MeasurementDocument::captureThresholdSet, this, [this](bool repaint) {
        if (repaint) {
            DrawGrid1->InvalidateRow(LetzteZeile());
        }
    });
    connect(dokument_, &MeasurementDocument::sampleAppended, this, [this] {
        const Raster_t& r = Liste->Letzter();
        int x = 0;
        int y = 0;
        r.PunktVon(r.AnzahlWerte() - 1, x, y);
        // Keep the newest point about a quarter of the visible width from
        // the right edge, one step at most per sample.
        const int q = static_cast<int>(0.25 * Gitter->SichtbareBreite());
        if (!Gitter->IstSichtbar(LetzteZeile(), x + q)) {
            ScrollRight();
        }
    });
    connect(dokument_, &MeasurementDocument::batchDone, this,
            [this] { Gitter->LetztenAnpassen(); });
}

void TMDIChild::SetzeDateiname(const QString& name) {
    dokument_->SetzeDateiname(name);
}

bool TMDIChild::DateiLaden() {
    using Outcome = MeasurementDocument::LoadResult::Outcome;
    const MeasurementDocument::LoadResult ergebnis = dokument_->Laden(MaxDatensaetze);
    if (ergebnis.outcome == Outcome::TooLarge) {
        modalUi().message(this, DateiZuGrossText(Dateiname), Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    if (ergebnis.outcome == Outcome::NotAMeasurementFile) {
        modalUi().message(this, Texts::WrongFileType(), Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    if (ergebnis.truncatedAt > 0) {
        modalUi().message(
            this,
            tr("Die Datei %1 enthält mehr als %2 Datensätze. Es wurden nur die ersten %2 "
               "geladen; die Datei selbst bleibt vollständig.")
                .arg(Dateiname, QString::number(ergebnis.truncatedAt)),
            Texts::kWarnung, MessageButtons::Ok);
    }
    if (ergebnis.shortened > 0) {
        modalUi().message(
            this,
            tr("%1 Datensätze der Datei %2 sind länger als die eingestellte Zeitachse und "
               "werden gekürzt angezeigt; die Datei selbst bleibt vollständig.")
                .arg(QString::number(ergebnis.shortened), Dateiname),
            Texts::kWarnung, MessageButtons::Ok);
    }
    return true;
}

bool TMDIChild::DateiSpeichern() {
    using Outcome = MeasurementDocument::SaveResult::Outcome;
    const MeasurementDocument::SaveResult ergebnis = dokument_->Speichern();
    if (ergebnis.outcome == Outcome::Incomplete) {
        modalUi().message(this,
                          tr("Die Datei %1 wurde nicht vollständig geladen. Unter diesem Namen "
                             "gespeichert, gingen Datensätze verloren; bitte mit \"Speichern "
                             "unter\" einen anderen Namen wählen.")
                              .arg(Dateiname),
                          Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    if (ergebnis.outcome == Outcome::WriteFailed) {
        modalUi().message(this, Texts::FileNotSaved(Dateiname, ergebnis.reason), Texts::kFehler,
                          MessageButtons::Ok);
        return false;
    }
    return true;
}

void TMDIChild::ScrollRight() {
    DrawGrid1->SetLeftPos(DrawGrid1->LeftPos() + kScrollSchritt);
}

void TMDIChild::ScrollLeft() {
    DrawGrid1->SetLeftPos(DrawGrid1->LeftPos() - kScrollSchritt);
}

void TMDIChild::ScrollHome() {
    DrawGrid1->SetLeftPos(0);
}

void TMDIChild::ScrollEnd() {
    DrawGrid1->SetLeftPos(DrawGrid1->MaxLeftPos());
}

void TMDIChild::AnzeigeModus(int mode) {
    for (int i = 0; i < Liste->Anzahl(); ++i) {
        // The pictures follow when their rows are painted.
        Liste->Datensatz(i).Schussbuendig = mode;
    }
    DrawGrid1->Invalidate();
    host_.ShowDisplayMode(mode);
    Gitter->Aktualisieren();
}

void TMDIChild::Aktualisieren() {
    Gitter->Aktualisieren();
}

bool TMDIChild::FormCloseQuery() {
    // The device may deliver records while the question is open; the answer
    // covers the records the user could see, and is asked for again when more
    // have come.
    for (;;) {
        if (!Geaendert) {
            return true;
        }
        const int vorher = Liste->Anzahl();
        const MessageAnswer antwort = modalUi().message(
            this,
            QStringLiteral("Die Datei %1 wurde geändert. Soll sie gespeichert werden?")
                .arg(Dateiname),
            Texts::kMeldung, MessageButtons::YesNoCancel);
        switch (antwort) {
            case MessageAnswer::Yes:
                // A cancelled file-name dialog or a failed save must not throw
                // the records away: the window stays open.
                if (!host_.SaveDocument(this)) {
                    return false;
                }
                break;
            case MessageAnswer::No:
                if (Liste->Anzahl() == vorher) {
                    return true;
                }
                break;
            default:
                return false;
        }
    }
}

void TMDIChild::FormActivate() {
    host_.DocumentActivated(this);
}

void TMDIChild::FormClose() {
    delete FensterEintrag.data();
    host_.DocumentClosed(this);
}

int TMDIChild::LetzteZeile() const {
    return DrawGrid1->RowCount() - 1;
}

void TMDIChild::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_Right:
            ScrollRight();
            break;
        case Qt::Key_Left:
            ScrollLeft();
            break;
        case Qt::Key_Home:
            ScrollHome();
            break;
        case Qt::Key_End:
            ScrollEnd();
            break;
        case Qt::Key_Delete: {
            const int row = DrawGrid1->Row();
            if (row >= LetzteZeile() || row < Gitter->ErsteZeile) {
                break;  // the capture target stays
            }
            const MessageAnswer antwort =
                modalUi().message(this, QStringLiteral("Datensatz %1 wirklich entfernen?").arg(row),
                                  Texts::kMeldung, MessageButtons::YesNo);
            if (antwort == MessageAnswer::Yes) {
                dokument_->Entfernen(row - Gitter->ErsteZeile);
            }
            break;
        }
        default:
            break;
    }
}

bool TMDIChild::DrawGrid1ContextPopup(const QPoint& pos) {
    const int row = DrawGrid1->RowAt(pos.y());
    if (row < Gitter->ErsteZeile) {
        // Below the last row (or on the header) there is no record to offer.
        return false;
    }
    DrawGrid1->SetRow(row);
    if (row == LetzteZeile()) {
        return false;
    }
    Entfernen1->setText(QStringLiteral("Datensatz %1 entfernen").arg(row));
    return true;
}

void TMDIChild::Entfernen1Click() {
    const int row = DrawGrid1->Row();
    if (row < Gitter->ErsteZeile || row >= LetzteZeile()) {
        return;
    }
    dokument_->Entfernen(row - Gitter->ErsteZeile);
}

void TMDIChild::DrawGrid1SelectCell(int row) {
    const int index = row - Gitter->ErsteZeile;
    if (index >= 0 && index < Liste->Anzahl()) {
        host_.ShowDisplayMode(Liste->Datensatz(index).Schussbuendig);
    }
}

void TMDIChild::SelectRecord(int index) {
    if (index >= 0 && index < Liste->Anzahl()) {
        DrawGrid1->SetRow(Gitter->ErsteZeile + index);
    }
}

void TMDIChild::KopfZeichnen(QPainter& canvas, const QRect& rect) {
    const QString text = Kopf.kopfzeile();
    const QFontMetrics fm(canvas.font());
    const int th = fm.height();
    canvas.setPen(palette().color(QPalette::ButtonText));
    // The text keeps its place at the left edge while the pictures scroll.
    canvas.drawText(10, rect.height() / 2 - th / 2 + fm.ascent(), text);
}

bool TMDIChild::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ParentChange:
            // In the main window's frame the sub-window tells when this
            // document becomes the active one.
            if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()); sub != unterfenster_) {
                if (unterfenster_) {
                    disconnect(unterfenster_, &QMdiSubWindow::aboutToActivate, this, nullptr);
                }
                unterfenster_ = sub;
                if (sub) {
                    connect(sub, &QMdiSubWindow::aboutToActivate, this, &TMDIChild::FormActivate);
                }
            }
            break;
        case QEvent::WindowActivate:
            // Activating the frame reaches every document inside it; only a
            // stand-alone window is activated this way.
            if (isWindow()) {
                FormActivate();
            }
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DrawGrid1 && event->type() == QEvent::KeyPress) {
        FormKeyDown(static_cast<QKeyEvent*>(event)->key());
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ostrevik
