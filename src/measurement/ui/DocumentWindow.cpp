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

TMDIChild::TMDIChild(DocumentHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    // A closed document window is freed with its document.
    setAttribute(Qt::WA_DeleteOnClose);
    KopfInitialisieren(Kopf);
    SetzeDateiname(QStringLiteral("nix.pvo"));

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

    Liste = std::make_unique<DrawGridRasters_t>(DrawGrid1, &host_.Settings(), 1);
    Liste->KopfZeichnen = [this](QPainter& p, int, int, const QRect& rect, TDrawGrid::ZellZustand) {
        KopfZeichnen(p, rect);
    };
    DrawGrid1->OnSelectCell = [this](int row) { DrawGrid1SelectCell(row); };
    Liste->OnRecordsChanged = [this] { emit RecordsChanged(); };

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
    Liste->OnRecordsChanged = nullptr;
    DrawGrid1->OnSelectCell = nullptr;
    DrawGrid1->removeEventFilter(this);
}

void TMDIChild::SetzeDateiname(const QString& name) {
    Dateiname = name;
    // "[*]" would be taken as the modified-mark placeholder.
    QString titel = name;
    titel.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(titel);
    if (FensterEintrag) {
        FensterEintrag->setText(QFileInfo(name).fileName());
    }
}

bool TMDIChild::DateiLaden() {
    const QFileInfo info(Dateiname);
    if (info.isFile() && info.size() > kMaxDateiGroesse) {
        modalUi().message(this, DateiZuGrossText(Dateiname), Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    QByteArray daten;
    if (!KopfUndDatenLesen(Kopf, Dateiname, daten)) {
        modalUi().message(this, Texts::WrongFileType(), Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    Unbenannt = false;
    DatenWalkErgebnis ergebnis;
    {
        // One refresh for the whole file instead of one per record.
        DrawGridRasters_t::Stapel stapel(*Liste);
        ergebnis = DatenInListe(*Liste, daten, MaxDatensaetze);
    }
    // What was left out is still in the file: the document must never be
    // written back over it.
    if (ergebnis.abgeschnitten || ergebnis.gekuerzteDatensaetze > 0) {
        unvollstaendigAus_ = info.canonicalFilePath();
    }
    if (ergebnis.abgeschnitten) {
        modalUi().message(
            this,
            tr("Die Datei %1 enthält mehr als %2 Datensätze. Es wurden nur die ersten %2 "
               "geladen; die Datei selbst bleibt vollständig.")
                .arg(Dateiname, QString::number(ergebnis.fertigeDatensaetze)),
            Texts::kWarnung, MessageButtons::Ok);
    }
    if (ergebnis.gekuerzteDatensaetze > 0) {
        modalUi().message(
            this,
            tr("%1 Datensätze der Datei %2 sind länger als die eingestellte Zeitachse und "
               "werden gekürzt angezeigt; die Datei selbst bleibt vollständig.")
                .arg(QString::number(ergebnis.gekuerzteDatensaetze), Dateiname),
            Texts::kWarnung, MessageButtons::Ok);
    }
    return true;
}

bool TMDIChild::Unvollstaendig() const {
    return !unvollstaendigAus_.isEmpty();
}

bool TMDIChild::DateiSpeichern() {
    if (Unvollstaendig() && QFileInfo(Dateiname).canonicalFilePath() == unvollstaendigAus_) {
        modalUi().message(this,
                          tr("Die Datei %1 wurde nicht vollständig geladen. Unter diesem Namen "
                             "gespeichert, gingen Datensätze verloren; bitte mit \"Speichern "
                             "unter\" einen anderen Namen wählen.")
                              .arg(Dateiname),
                          Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    const FileWriteResult ergebnis = KopfUndDatenSchreiben(Kopf, Dateiname, ListeAlsDaten(*Liste));
    if (!ergebnis.ok) {
        modalUi().message(this, Texts::FileNotSaved(Dateiname, ergebnis.reason), Texts::kFehler,
                          MessageButtons::Ok);
        return false;
    }
    Geaendert = false;
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
    Liste->Aktualisieren();
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
            if (row >= LetzteZeile() || row < Liste->ErsteZeile) {
                break;  // the capture target stays
            }
            const MessageAnswer antwort =
                modalUi().message(this, QStringLiteral("Datensatz %1 wirklich entfernen?").arg(row),
                                  Texts::kMeldung, MessageButtons::YesNo);
            if (antwort == MessageAnswer::Yes) {
                Liste->Entfernen(row - Liste->ErsteZeile);
                Geaendert = true;
            }
            break;
        }
        default:
            break;
    }
}

bool TMDIChild::DrawGrid1ContextPopup(const QPoint& pos) {
    const int row = DrawGrid1->RowAt(pos.y());
    if (row < Liste->ErsteZeile) {
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
    if (row < Liste->ErsteZeile || row >= LetzteZeile()) {
        return;
    }
    Liste->Entfernen(row - Liste->ErsteZeile);
    Geaendert = true;
}

void TMDIChild::DrawGrid1SelectCell(int row) {
    const int index = row - Liste->ErsteZeile;
    if (index >= 0 && index < Liste->Anzahl()) {
        host_.ShowDisplayMode(Liste->Datensatz(index).Schussbuendig);
    }
}

void TMDIChild::SelectRecord(int index) {
    if (index >= 0 && index < Liste->Anzahl()) {
        DrawGrid1->SetRow(Liste->ErsteZeile + index);
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

void TMDIChild::RecordStarted() {
    ScrollHome();
    DrawGrid1->SetRow(LetzteZeile());
}

void TMDIChild::SetCaptureThreshold(uint32_t threshold, bool repaint) {
    Liste->Letzter().SetzeTonschwelle(threshold);
    if (repaint) {
        DrawGrid1->InvalidateRow(LetzteZeile());
    }
}

void TMDIChild::AppendCaptureSample(uint8_t sample) {
    Raster_t& r = Liste->Letzter();
    r.WertAnhaengen(sample);
    int x = 0;
    int y = 0;
    r.PunktVon(r.AnzahlWerte() - 1, x, y);
    // Keep the newest point about a quarter of the visible width from the
    // right edge, one step at most per sample.
    const int q = static_cast<int>(0.25 * Liste->SichtbareBreite());
    if (!Liste->IstSichtbar(LetzteZeile(), x + q)) {
        ScrollRight();
    }
    Geaendert = true;
}

void TMDIChild::RecordEnded() {
    Liste->Anhaengen();
}

void TMDIChild::BatchDone() {
    Liste->LetztenAnpassen();
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
