#include "common/Texts.h"
#include "measurement/ui/DocumentWindow.h"

#include "ScriptedModalUi.h"
#include "SmallDisk.h"
#include "TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace ostrevik;
using ostrevik::test::ScriptedModalUi;

namespace {

// Stands in for the main window: records what the document window asks of it.
class FakeHost : public DocumentHost {
public:
    void DocumentActivated(TMDIChild* child) override { activated.push_back(child); }
    void DocumentClosed(TMDIChild* child) override { closed.push_back(child); }
    void ShowDisplayMode(int mode) override { modes.push_back(mode); }
    bool SaveDocument(TMDIChild* child) override {
        ++saveCalls;
        return onSave ? onSave(child) : child->DateiSpeichern();
    }
    const DisplaySettings& Settings() const override { return settings; }

    DisplaySettings settings = DisplaySettings::defaults();
    std::vector<TMDIChild*> activated;
    std::vector<TMDIChild*> closed;
    std::vector<int> modes;
    int saveCalls = 0;
    std::function<bool(TMDIChild*)> onSave;
};

class DocumentWindowTest : public ::testing::Test {
protected:
    void TearDown() override { delete window.data(); }

    TMDIChild& open() {
        window = new TMDIChild(host);
        return *window;
    }

    // A measurement file written by the file layer: records with the given
    // samples, threshold 100 + index.
    QString writeFile(const std::vector<std::vector<int>>& records, const QString& name = "d.pvo") {
        return writeFileAt(records, dir.filePath(name));
    }
    QString writeFileAt(const std::vector<std::vector<int>>& records, const QString& path) {
        Rasters_t list(50, 4, 60, 60);
        list.Einstellungen = &host.settings;
        list.Anhaengen();
        for (size_t i = 0; i < records.size(); ++i) {
            list.Letzter().SetzeTonschwelle(100 + static_cast<uint32_t>(i));
            for (int s : records[i]) {
                list.Letzter().WertAnhaengen(static_cast<uint8_t>(s));
            }
            list.Anhaengen();
        }
        Dateiheader_t kopf;
        KopfInitialisieren(kopf);
        kopf.setName(QStringLiteral("Anna"));
        kopf.setDatum(QStringLiteral("07.12.2026"));
        kopf.setText(QStringLiteral("Übung"));
        EXPECT_TRUE(KopfUndDatenSchreiben(kopf, path, ListeAlsDaten(list)).ok);
        return path;
    }

    TMDIChild& openFile(const QString& path) {
        TMDIChild& w = open();
        w.SetzeDateiname(path);
        EXPECT_TRUE(w.DateiLaden());
        return w;
    }

    // Shows the window so that the grid has a viewport of real size.
    void show(TMDIChild& w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }

    QImage grabGrid(TMDIChild& w) { return w.DrawGrid1->viewport()->grab().toImage(); }

    FakeHost host;
    ScriptedModalUi ui;
    QTemporaryDir dir;
    QPointer<TMDIChild> window;
};

}  // namespace

TEST_F(DocumentWindowTest, NewWindowHoldsOneEmptyCaptureTarget) {
    TMDIChild& w = open();
    EXPECT_EQ(w.Dateiname, QStringLiteral("nix.pvo"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("nix.pvo"));
    EXPECT_TRUE(w.Unbenannt);
    EXPECT_FALSE(w.Geaendert);
    ASSERT_EQ(w.Liste->Anzahl(), 1);
    EXPECT_EQ(w.Liste->Letzter().NummerText, QStringLiteral("0001"));
    EXPECT_EQ(w.DrawGrid1->RowCount(), 2);
    EXPECT_EQ(w.DrawGrid1->FixedRows(), 1);
    EXPECT_EQ(w.DrawGrid1->RowHeight(0), 20);
    EXPECT_EQ(w.DrawGrid1->RowHeight(1), 302);
    EXPECT_EQ(w.DrawGrid1->ColWidth(), 3072);
    EXPECT_EQ(w.DrawGrid1->Row(), 1);

    // The window-menu entry follows the file name, without the directory.
    auto* entry = new QAction(&w);
    w.FensterEintrag = entry;
    w.SetzeDateiname(QStringLiteral("/tmp/daten/UNBENANNT1.pvo"));
    EXPECT_EQ(entry->text(), QStringLiteral("UNBENANNT1.pvo"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("/tmp/daten/UNBENANNT1.pvo"));
}

TEST_F(DocumentWindowTest, OpensAFileWrittenByTheFileLayer) {
    std::vector<std::vector<int>> records;
    for (int i = 0; i < 12; ++i) {
        std::vector<int> r(200 + i, 50 + i);
        if (i % 3 == 1) {
            r[150] = 255;
        }
        records.push_back(r);
    }
    TMDIChild& w = openFile(writeFile(records));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(w.Unbenannt);
    EXPECT_FALSE(w.Geaendert);
    EXPECT_EQ(w.Kopf.name(), QStringLiteral("Anna"));
    ASSERT_EQ(w.Liste->Anzahl(), 13);
    EXPECT_EQ(w.DrawGrid1->RowCount(), 14);
    for (int i = 0; i < 12; ++i) {
        const Raster_t& r = w.Liste->Datensatz(i);
        EXPECT_EQ(r.AnzahlWerte(), 200 + i);
        EXPECT_EQ(r.Tonschwelle, 100u + static_cast<uint32_t>(i));
        EXPECT_EQ(r.NummerText, QString::asprintf("%04d", i + 1));
        EXPECT_EQ(w.DrawGrid1->RowHeight(i + 1), 302);
    }
    // Shots are numbered per document in list order.
    EXPECT_EQ(w.Liste->Datensatz(1).SchussText, QStringLiteral("0001"));
    EXPECT_EQ(w.Liste->Datensatz(4).SchussText, QStringLiteral("0002"));
    EXPECT_EQ(w.Liste->Datensatz(10).SchussText, QStringLiteral("0004"));
    EXPECT_TRUE(w.Liste->Letzter().Werte.empty());

    // Saving writes the same bytes back.
    const QByteArray before = test::readAll(w.Dateiname);
    w.Geaendert = true;
    EXPECT_TRUE(w.DateiSpeichern());
    EXPECT_FALSE(w.Geaendert);
    EXPECT_EQ(test::readAll(w.Dateiname), before);
}

TEST_F(DocumentWindowTest, UnreadableFileLeavesAnEmptyUntitledDocument) {
    const QString path = dir.filePath(QStringLiteral("falsch.pvo"));
    test::writeAll(path, test::bytes({2, 0, 0, 0, 1, 3}));
    TMDIChild& w = open();
    w.SetzeDateiname(path);
    EXPECT_FALSE(w.DateiLaden());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              QStringLiteral("Fehler beim laden der Datei. Möglicherweise falscher Dateityp"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(w.Unbenannt);
    EXPECT_EQ(w.Liste->Anzahl(), 1);
    EXPECT_EQ(w.windowTitle(), path);

    w.SetzeDateiname(dir.filePath(QStringLiteral("fehlt.pvo")));
    EXPECT_FALSE(w.DateiLaden());
    EXPECT_EQ(ui.messages.size(), 2u);
}

// "%1" in a file's name stays itself in the message and does not take the
// place of the record count.
TEST_F(DocumentWindowTest, TheCutOnLoadingNamesAFileWithPercentSignsAsItIs) {
    QByteArray data;
    for (int i = 0; i < 3; ++i) {
        data.append(char(20));
        data.append(char(3));
    }
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    const QString path = dir.filePath(QStringLiteral("a%1b.pvo"));
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, path, data).ok);

    TMDIChild& w = open();
    w.MaxDatensaetze = 2;
    w.SetzeDateiname(path);
    ASSERT_TRUE(w.DateiLaden());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              QStringLiteral("Die Datei %1 enthält mehr als 2 Datensätze. Es wurden nur die ersten "
                             "2 geladen; die Datei selbst bleibt vollständig.")
                  .arg(path));
}

// A document that could not be loaded whole (more records than the limit,
// records longer than the time axis) is never written back over its file:
// "Speichern" refuses with a reason, another name works, the file stays.
TEST_F(DocumentWindowTest, ADocumentCutOnLoadingIsNeverSavedOverItsFile) {
    QByteArray data;
    for (int i = 0; i < 1005; ++i) {
        data.append(char(20));
        data.append(char(3));
    }
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    const QString path = dir.filePath(QStringLiteral("gross.pvo"));
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, path, data).ok);
    const QByteArray original = test::readAll(path);

    TMDIChild& w = open();
    w.MaxDatensaetze = 1000;
    w.SetzeDateiname(path);
    ASSERT_TRUE(w.DateiLaden());
    EXPECT_EQ(w.Liste->Anzahl(), 1001);
    EXPECT_EQ(w.DrawGrid1->RowCount(), 1002);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Warnung"));
    EXPECT_TRUE(ui.messages[0].text.contains(path));
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("1000")));
    EXPECT_TRUE(w.Unvollstaendig());
    EXPECT_FALSE(w.Geaendert);

    w.Geaendert = true;
    EXPECT_FALSE(w.DateiSpeichern());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(ui.messages[1].text.contains(QStringLiteral("Speichern unter")));
    EXPECT_TRUE(w.Geaendert);
    EXPECT_EQ(test::readAll(path), original);

    const QString other = dir.filePath(QStringLiteral("teil.pvo"));
    w.SetzeDateiname(other);
    EXPECT_TRUE(w.DateiSpeichern());
    EXPECT_EQ(test::readAll(other), original.left(Dateiheader_t::kByteSize + 2000));

    // A record longer than the time axis: shown cut, its file kept whole.
    const QString lang = dir.filePath(QStringLiteral("lang.pvo"));
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, lang, char(100) + QByteArray(3000, 80) + char(3)).ok);
    const QByteArray langOriginal = test::readAll(lang);
    ui.messages.clear();
    TMDIChild l(host);
    l.SetzeDateiname(lang);
    ASSERT_TRUE(l.DateiLaden());
    EXPECT_EQ(l.Liste->Datensatz(0).AnzahlWerte(), 2500);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("1 Datensätze der Datei")));
    EXPECT_FALSE(l.DateiSpeichern());
    EXPECT_EQ(test::readAll(lang), langOriginal);
}

// A season's file: a hundred thousand take-ups open and save back byte for
// byte.
TEST_F(DocumentWindowTest, ASeasonOfAHundredThousandTakeUpsSavesBackByteForByte) {
    QByteArray data;
    for (int i = 0; i < 100000; ++i) {
        data.append(char(60 + i % 150));
        for (int j = 0; j < 40 + i % 60; ++j) {
            data.append(char(4 + (i + j) % 250));
        }
        if (i % 4 != 0) {
            data.append(char(kShotMark));
        }
        data.append(char(kRecordEnd));
    }
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    kopf.setName(QStringLiteral("Saison"));
    const QString path = dir.filePath(QStringLiteral("saison.pvo"));
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, path, data).ok);
    const QByteArray original = test::readAll(path);

    TMDIChild& w = openFile(path);
    EXPECT_EQ(w.Liste->Anzahl(), 100001);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(w.Unvollstaendig());
    EXPECT_TRUE(w.DateiSpeichern());
    EXPECT_EQ(test::readAll(path), original);
}

TEST_F(DocumentWindowTest, FailedSaveReportsAndKeepsTheDocumentChanged) {
    TMDIChild& w = open();
    w.SetzeDateiname(dir.filePath(QStringLiteral("fehlt/d.pvo")));
    w.Geaendert = true;
    EXPECT_FALSE(w.DateiSpeichern());
    EXPECT_TRUE(w.Geaendert);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    const QString prefix =
        QStringLiteral("Die Datei %1 konnte nicht gespeichert werden.\n").arg(w.Dateiname);
    EXPECT_TRUE(ui.messages[0].text.startsWith(prefix)) << ui.messages[0].text.toStdString();
    EXPECT_GT(ui.messages[0].text.size(), prefix.size());  // the system's reason follows
}

// On a disk with room for the file but not for a second copy, a take-up
// arrives and the document is saved: the save fails, says so, and the file
// keeps every byte. Below and above the 16 kB of a buffered writer.
TEST_F(DocumentWindowTest, ASaveOnAFullDiskIsReportedAndTheFileStaysWhole) {
    for (const int records : {40, 140}) {
        SCOPED_TRACE(records);
        test::SmallDisk disk("64k");
        SKIP_WITHOUT(disk);
        const QString path = writeFileAt(
            std::vector<std::vector<int>>(static_cast<size_t>(records), std::vector<int>(150, 80)),
            disk.path(QStringLiteral("d.pvo")));
        const QByteArray before = test::readAll(path);
        ASSERT_EQ(before.size(), 116 + records * 152);
        disk.fill(4096);

        TMDIChild& w = openFile(path);
        w.Dokument().RecordStarted();
        w.Dokument().SetCaptureThreshold(90, false);
        for (int i = 0; i < 30; ++i) {
            w.Dokument().AppendCaptureSample(80);
        }
        w.Dokument().RecordEnded();
        w.Dokument().BatchDone();
        ASSERT_TRUE(w.Geaendert);
        ui.messages.clear();
        EXPECT_FALSE(w.DateiSpeichern());
        EXPECT_TRUE(w.Geaendert);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, Texts::FileNotSaved(path, qt_error_string(ENOSPC)));
        EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
        EXPECT_EQ(test::readAll(path), before);
        delete window.data();
    }
}

TEST_F(DocumentWindowTest, ClosingAsksOnlyWhenChanged) {
    // Unchanged: no question.
    TMDIChild& w = open();
    QPointer<TMDIChild> guard(&w);
    auto* entry = new QAction(nullptr);
    QPointer<QAction> entryGuard(entry);
    w.FensterEintrag = entry;
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(host.closed.size(), 1u);
    EXPECT_TRUE(entryGuard.isNull());  // the window-menu entry goes with the window
    QTRY_VERIFY(guard.isNull());       // freed on close
}

TEST_F(DocumentWindowTest, CloseQueryAnswers) {
    TMDIChild& w = open();
    w.SetzeDateiname(dir.filePath(QStringLiteral("d.pvo")));
    w.Geaendert = true;
    const QString question =
        QStringLiteral("Die Datei %1 wurde geändert. Soll sie gespeichert werden?")
            .arg(w.Dateiname);

    ui.messageAnswers = {MessageAnswer::Cancel};
    EXPECT_FALSE(w.FormCloseQuery());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, question);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Meldung"));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(host.saveCalls, 0);

    // Yes, but the file-name dialog is cancelled: the records must not be
    // lost, the window stays open.
    host.onSave = [](TMDIChild*) { return false; };
    ui.messageAnswers = {MessageAnswer::Yes};
    EXPECT_FALSE(w.FormCloseQuery());
    EXPECT_EQ(host.saveCalls, 1);

    // Yes, and the save fails: reported, still open, still changed.
    host.onSave = nullptr;
    w.SetzeDateiname(dir.filePath(QStringLiteral("fehlt/d.pvo")));
    ui.messageAnswers = {MessageAnswer::Yes};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.Geaendert);
    EXPECT_EQ(ui.messages.back().caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(host.closed.empty());

    // Yes and saved: closes.
    w.SetzeDateiname(dir.filePath(QStringLiteral("d.pvo")));
    ui.messageAnswers = {MessageAnswer::Yes};
    EXPECT_TRUE(w.FormCloseQuery());
    EXPECT_FALSE(w.Geaendert);
    EXPECT_EQ(test::readAll(w.Dateiname).size(), 116);

    // No: closes without saving.
    w.Geaendert = true;
    ui.messageAnswers = {MessageAnswer::No};
    const int saves = host.saveCalls;
    EXPECT_TRUE(w.close());
    EXPECT_EQ(host.saveCalls, saves);
    EXPECT_EQ(host.closed.size(), 1u);
}

TEST_F(DocumentWindowTest, KeysScrollThePicturesByFiftyPixels) {
    TMDIChild& w = open();
    show(w);
    TDrawGrid& g = *w.DrawGrid1;
    const int max = g.ColWidth() - g.viewport()->width();
    ASSERT_GT(max, 1000);
    EXPECT_EQ(g.MaxLeftPos(), max);

    QTest::keyClick(&g, Qt::Key_Right);
    EXPECT_EQ(g.LeftPos(), 50);
    QTest::keyClick(&g, Qt::Key_Right);
    QTest::keyClick(&g, Qt::Key_Left);
    EXPECT_EQ(g.LeftPos(), 50);
    QTest::keyClick(&g, Qt::Key_Left);
    QTest::keyClick(&g, Qt::Key_Left);
    EXPECT_EQ(g.LeftPos(), 0);
    QTest::keyClick(&g, Qt::Key_End);
    EXPECT_EQ(g.LeftPos(), max);
    QTest::keyClick(&g, Qt::Key_Right);
    EXPECT_EQ(g.LeftPos(), max);
    QTest::keyClick(&g, Qt::Key_Home);
    EXPECT_EQ(g.LeftPos(), 0);
    EXPECT_EQ(g.Row(), 1);  // the grid itself does not act on these keys
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DocumentWindowTest, DeleteKeyRemovesTheCurrentRecordAfterAsking) {
    TMDIChild& w = openFile(writeFile({{10, 255, 10}, {20, 20}, {30, 255}, {40}}));
    show(w);
    TDrawGrid& g = *w.DrawGrid1;

    // The capture target's row: nothing, not even a question.
    g.SetRow(g.RowCount() - 1);
    QTest::keyClick(&g, Qt::Key_Delete);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(w.Liste->Anzahl(), 5);

    g.SetRow(1);
    ui.messageAnswers = {MessageAnswer::No};
    QTest::keyClick(&g, Qt::Key_Delete);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Datensatz 1 wirklich entfernen?"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Meldung"));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(w.Liste->Anzahl(), 5);
    EXPECT_FALSE(w.Geaendert);

    ui.messageAnswers = {MessageAnswer::Yes};
    QTest::keyClick(&g, Qt::Key_Delete);
    EXPECT_EQ(w.Liste->Anzahl(), 4);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_TRUE(w.Geaendert);
    // The rest are renumbered, their shots too.
    EXPECT_EQ(w.Liste->Datensatz(0).Tonschwelle, 101u);
    EXPECT_EQ(w.Liste->Datensatz(0).NummerText, QStringLiteral("0001"));
    EXPECT_EQ(w.Liste->Datensatz(1).NummerText, QStringLiteral("0002"));
    EXPECT_EQ(w.Liste->Datensatz(1).SchussText, QStringLiteral("0001"));
    EXPECT_EQ(w.Liste->Letzter().NummerText, QStringLiteral("0004"));
    EXPECT_EQ(w.Liste->SchussZaehler(), 1);

    g.SetRow(3);
    ui.messageAnswers = {MessageAnswer::Yes};
    QTest::keyClick(&g, Qt::Key_Delete);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Datensatz 3 wirklich entfernen?"));
    EXPECT_EQ(w.Liste->Anzahl(), 3);
}

TEST_F(DocumentWindowTest, ContextMenuOffersRemovalOnRecordRowsOnly) {
    TMDIChild& w = openFile(writeFile({{10}, {20}}));
    show(w);
    TDrawGrid& g = *w.DrawGrid1;
    auto rowY = [&](int row) { return g.FullCellRect(row).center().y(); };
    g.SetTopRow(1);

    // A record row: it becomes current and the menu names it.
    EXPECT_TRUE(w.DrawGrid1ContextPopup(QPoint(100, rowY(1))));
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(w.Entfernen1->text(), QStringLiteral("Datensatz 1 entfernen"));

    // Below the last row there is no record: no menu, nothing selected.
    g.SetTopRow(g.RowCount() - 1);
    const int below = g.FullCellRect(g.RowCount() - 1).bottom() + 5;
    ASSERT_LT(below, g.viewport()->height());
    EXPECT_FALSE(w.DrawGrid1ContextPopup(QPoint(100, below)));
    EXPECT_EQ(g.Row(), 1);
    EXPECT_FALSE(w.DrawGrid1ContextPopup(QPoint(100, 5)));  // the header row

    // The capture target's row: current, but no menu.
    EXPECT_FALSE(w.DrawGrid1ContextPopup(QPoint(100, rowY(g.RowCount() - 1))));
    EXPECT_EQ(g.Row(), g.RowCount() - 1);
    w.Entfernen1Click();  // a stray click cannot remove the capture target
    EXPECT_EQ(w.Liste->Anzahl(), 3);

    // Through the real signal: the menu pops up and removes without asking.
    g.SetTopRow(1);
    emit g.customContextMenuRequested(QPoint(100, rowY(2)));
    EXPECT_TRUE(w.PopupMenu1->isVisible());
    EXPECT_EQ(w.Entfernen1->text(), QStringLiteral("Datensatz 2 entfernen"));
    w.Entfernen1->trigger();
    w.PopupMenu1->hide();
    EXPECT_EQ(w.Liste->Anzahl(), 2);
    EXPECT_EQ(w.Liste->Datensatz(0).Tonschwelle, 100u);
    EXPECT_TRUE(w.Geaendert);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DocumentWindowTest, SelectingARowShowsItsDisplayMode) {
    TMDIChild& w = openFile(writeFile({{10}, {20}, {30}}));
    w.Liste->Datensatz(1).Schussbuendig = 1;
    w.DrawGrid1->SetRow(2);
    w.DrawGrid1->SetRow(1);
    EXPECT_EQ(host.modes, std::vector<int>({1, 0}));

    show(w);
    w.DrawGrid1->setFocus();
    QTest::keyClick(w.DrawGrid1, Qt::Key_Down);
    EXPECT_EQ(w.DrawGrid1->Row(), 2);
    EXPECT_EQ(host.modes.back(), 1);
    w.DrawGrid1->SetRow(0);  // the header row cannot be selected
    EXPECT_EQ(w.DrawGrid1->Row(), 1);
}

TEST_F(DocumentWindowTest, DisplayModeSwitchAppliesToEveryRecord) {
    TMDIChild& w = openFile(writeFile({{10, 255, 10}, {20}}));
    w.AnzeigeModus(1);
    for (int i = 0; i < w.Liste->Anzahl(); ++i) {
        EXPECT_EQ(w.Liste->Datensatz(i).Schussbuendig, 1) << i;
        EXPECT_EQ(w.Liste->Datensatz(i).XTexte[1], QStringLiteral("-7.00")) << i;
    }
    EXPECT_EQ(host.modes.back(), 1);
    EXPECT_FALSE(w.Geaendert);

    // A record appended later starts in normal display.
    w.Dokument().RecordEnded();
    EXPECT_EQ(w.Liste->Letzter().Schussbuendig, 0);
    EXPECT_EQ(w.Liste->Letzter().XTexte[1], QStringLiteral("1.00"));

    w.AnzeigeModus(0);
    EXPECT_EQ(w.Liste->Datensatz(0).XTexte[1], QStringLiteral("1.00"));
    EXPECT_EQ(host.modes.back(), 0);
}

TEST_F(DocumentWindowTest, LiveCaptureFillsTheLastRecordAndFollowsIt) {
    TMDIChild& w = openFile(writeFile({{10}, {20}}));
    show(w);
    TDrawGrid& g = *w.DrawGrid1;
    g.SetRow(1);
    w.ScrollEnd();

    // Home right after a record start shows time 0 of the capture target.
    w.Dokument().RecordStarted();
    EXPECT_EQ(g.LeftPos(), 0);
    EXPECT_EQ(g.Row(), 3);
    EXPECT_FALSE(g.CellRect(0, 3).isEmpty());

    w.Dokument().SetCaptureThreshold(90, false);
    EXPECT_EQ(w.Liste->Letzter().Tonschwelle, 90u);
    EXPECT_FALSE(w.Geaendert);
    const int visible = w.Gitter->SichtbareBreite();
    const int q = static_cast<int>(0.25 * visible);
    for (int i = 0; i < 1500; ++i) {
        w.Dokument().AppendCaptureSample(static_cast<uint8_t>(50 + i % 100));
        if (i % 25 == 24) {
            w.Dokument().BatchDone();
        }
        // The newest point stays in view, at most a step beyond the quarter
        // mark from the right edge.
        const QPoint p = w.Liste->Letzter().PunktVon(w.Liste->Letzter().AnzahlWerte() - 1);
        ASSERT_GE(p.x(), g.LeftPos()) << i;
        ASSERT_LE(p.x() + q, g.LeftPos() + visible + 2) << i;
    }
    EXPECT_TRUE(w.Geaendert);
    EXPECT_GT(g.LeftPos(), 1000);
    EXPECT_EQ(w.Liste->Letzter().AnzahlWerte(), 1500);

    w.Dokument().AppendCaptureSample(255);
    w.Dokument().RecordEnded();
    w.Dokument().BatchDone();
    EXPECT_EQ(w.Liste->Anzahl(), 4);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(w.Liste->Datensatz(2).SchussText, QStringLiteral("0001"));
    EXPECT_EQ(w.Liste->Letzter().NummerText, QStringLiteral("0004"));

    // The next record starts at time 0 on the new row.
    w.Dokument().RecordStarted();
    EXPECT_EQ(g.LeftPos(), 0);
    EXPECT_EQ(g.Row(), 4);
}

TEST_F(DocumentWindowTest, GridShowsThePicturesAndFramesTheCurrentRow) {
    TMDIChild& w = openFile(writeFile({std::vector<int>(300, 127), std::vector<int>(100, 60)}));
    w.resize(800, 700);  // two record rows on screen
    show(w);
    TDrawGrid& g = *w.DrawGrid1;
    g.SetTopRow(1);
    g.SetRow(1);
    QCoreApplication::processEvents();
    const QImage shot = grabGrid(w);
    const qreal dpr = shot.devicePixelRatio();
    ASSERT_EQ(dpr, 1.0);

    // Row 1 starts below the 20-pixel header; its picture is framed by one
    // pixel, so picture pixel (x, y) is at (x + 1, 21 + y).
    const Raster_t& r = w.Liste->Datensatz(0);
    ASSERT_TRUE(r.HatBild());
    for (const QPoint p : {QPoint(50, 100), QPoint(110, 100), QPoint(300, 140), QPoint(8, 260)}) {
        EXPECT_EQ(shot.pixel(p.x() + 1, 21 + p.y()), r.Bild.pixel(p)) << p.x() << "," << p.y();
    }
    EXPECT_EQ(shot.pixel(51, 121) | 0xFF000000u, qRgb(0, 0, 0));  // the pressure axis

    // The current row is framed dashed black (the frame's first pixel is
    // drawn), the others white.
    EXPECT_EQ(shot.pixel(0, 20) | 0xFF000000u, qRgb(0, 0, 0));
    g.SetRow(2);
    QCoreApplication::processEvents();
    const QImage after = grabGrid(w);
    EXPECT_EQ(after.pixel(0, 20) | 0xFF000000u, qRgb(255, 255, 255));

    // Scrolling moves the pictures by pixels.
    w.ScrollRight();
    QCoreApplication::processEvents();
    const QImage scrolled = grabGrid(w);
    EXPECT_EQ(scrolled.pixel(51 + 10, 121), after.pixel(51 + 60, 121));
}

TEST_F(DocumentWindowTest, HeaderRowShowsTheHeaderAtTheLeftEdge) {
    TMDIChild& w = open();
    show(w);
    auto inkInHeader = [&](int x0, int x1) {
        const QImage img = grabGrid(w);
        const QRgb bg = img.pixel(w.DrawGrid1->viewport()->width() - 3, 10);
        int ink = 0;
        for (int x = x0; x < x1; ++x) {
            for (int y = 2; y < 18; ++y) {
                ink += img.pixel(x, y) != bg ? 1 : 0;
            }
        }
        return ink;
    };
    const int empty = inkInHeader(10, 300);
    w.Kopf.setName(QStringLiteral("Anna Öhler mit langem Namen"));
    w.Kopf.setText(QStringLiteral("Übung am Vormittag"));
    w.DrawGrid1->Invalidate();
    QCoreApplication::processEvents();
    EXPECT_GT(inkInHeader(10, 300), empty + 50);
    EXPECT_EQ(inkInHeader(1, 9), 0);  // left of x = 10 only the cell's frame
    // The text keeps its place while the pictures scroll.
    const int before = inkInHeader(10, 300);
    w.ScrollRight();
    QCoreApplication::processEvents();
    EXPECT_EQ(inkInHeader(10, 300), before);
}

namespace {

// The records whose pictures are held, by index.
std::vector<int> heldPictures(const Rasters_t& list) {
    std::vector<int> v;
    for (int i = 0; i < list.Anzahl(); ++i) {
        if (list.Datensatz(i).HatBild()) {
            v.push_back(i);
        }
    }
    return v;
}

}  // namespace

TEST_F(DocumentWindowTest, PaintingReleasesNoPicture) {
    TMDIChild& w = openFile(writeFile(std::vector<std::vector<int>>(40, std::vector<int>(50, 80))));
    show(w);
    TDrawGrid& g = *w.DrawGrid1;
    w.Liste->BildBudget = 4;
    g.SetTopRow(20);
    g.viewport()->repaint();
    const int first = g.TopRow() - 1;
    const int last = g.LastVisibleRow() - 1;
    ASSERT_LE(first, last);

    // Pictures far from the screen, made outside painting, and the rows on
    // screen without theirs.
    for (int i : {0, 1, 2, 3, 4, 39}) {
        w.Liste->Datensatz(i).AktuellesBild();
    }
    for (int i = first; i <= last; ++i) {
        w.Liste->Datensatz(i).BildFreigeben();
    }
    const std::vector<int> before = heldPictures(*w.Liste);
    ASSERT_GT(static_cast<int>(before.size()), w.Liste->BildBudget);

    // A repaint of the view scrolled across keeps every picture and builds
    // those of the rows on screen.
    w.ScrollRight();
    g.viewport()->repaint();
    std::vector<int> expected = before;
    for (int i = first; i <= last; ++i) {
        expected.push_back(i);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(heldPictures(*w.Liste), expected);

    // Scrolling down trims to the budget.
    g.SetTopRow(21);
    EXPECT_LE(w.Liste->BilderGehalten(), w.Liste->BildBudget);
    EXPECT_EQ(static_cast<int>(heldPictures(*w.Liste).size()), w.Liste->BilderGehalten());
}

TEST_F(DocumentWindowTest, PicturesStayWithinTheBudgetWhileScrolling) {
    TMDIChild& w = openFile(writeFile(std::vector<std::vector<int>>(60, std::vector<int>(50, 80))));
    show(w);
    TDrawGrid& g = *w.DrawGrid1;
    const int budget = w.Liste->BildBudget;
    auto check = [&](const char* what, int step) {
        g.viewport()->repaint();
        const int first = g.TopRow() - 1;
        const int last = g.LastVisibleRow() - 1;
        const std::vector<int> held = heldPictures(*w.Liste);
        ASSERT_LE(static_cast<int>(held.size()), std::max(budget, last - first + 1))
            << what << " " << step;
        for (int i = first; i <= last; ++i) {
            ASSERT_TRUE(w.Liste->Datensatz(i).HatBild()) << what << " " << step;
        }
    };
    for (int row = 1; row < g.RowCount(); ++row) {
        g.SetRow(row);
        check("down", row);
    }
    // A taller window shows more rows than the budget: all of them keep
    // their pictures; a smaller one trims back to the budget.
    w.resize(w.width(), 302 * (budget + 2));
    QTRY_VERIFY(g.LastVisibleRow() - g.TopRow() + 1 > budget);
    check("tall", 0);
    w.resize(w.width(), 400);
    QTRY_COMPARE(w.Liste->BilderGehalten(), budget);
    check("small", 0);
}

TEST_F(DocumentWindowTest, TwoDocumentsNumberTheirShotsApart) {
    TMDIChild& a = openFile(writeFile({{10, 255}, {20}}));
    auto b = std::make_unique<TMDIChild>(host);
    auto takeUp = [](TMDIChild& w, std::initializer_list<int> samples) {
        w.Dokument().RecordStarted();
        w.Dokument().SetCaptureThreshold(90, false);
        for (int s : samples) {
            w.Dokument().AppendCaptureSample(static_cast<uint8_t>(s));
        }
    };
    // Each live shot is at once the next of its own document.
    takeUp(*b, {10, 255});
    EXPECT_EQ(b->Liste->Letzter().SchussText, QStringLiteral("0001"));
    takeUp(a, {30, 255, 40});
    EXPECT_EQ(a.Liste->Letzter().SchussText, QStringLiteral("0002"));
    a.Dokument().RecordEnded();
    a.Dokument().BatchDone();
    b->Dokument().RecordEnded();
    b->Dokument().BatchDone();
    EXPECT_EQ(a.Liste->SchussZaehler(), 2);
    EXPECT_EQ(b->Liste->SchussZaehler(), 1);
}

TEST(DrawGrid, RowsCellsAndScrolling) {
    TDrawGrid g;
    g.resize(400, 300);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    g.SetDefaultRowHeight(100);
    g.SetRowCount(6);
    g.SetFixedRows(1);
    g.SetRowHeight(0, 20);
    g.SetColWidth(1000);
    const int vh = g.viewport()->height();
    const int vw = g.viewport()->width();

    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.TopRow(), 1);
    EXPECT_EQ(g.RowAt(5), 0);
    EXPECT_EQ(g.RowAt(20), 1);
    EXPECT_EQ(g.RowAt(119), 1);
    EXPECT_EQ(g.RowAt(120), 2);
    EXPECT_EQ(g.FullCellRect(2), QRect(0, 120, 1000, 100));
    EXPECT_EQ(g.CellRect(0, 2), QRect(0, 120, vw, 100));

    g.SetLeftPos(5000);
    EXPECT_EQ(g.LeftPos(), 1000 - vw);
    EXPECT_EQ(g.FullCellRect(0).left(), -(1000 - vw));
    g.SetLeftPos(-5);
    EXPECT_EQ(g.LeftPos(), 0);

    // Making the last row current scrolls it into view.
    std::vector<int> selected;
    g.OnSelectCell = [&](int row) { selected.push_back(row); };
    g.SetRow(5);
    EXPECT_EQ(selected, std::vector<int>({5}));
    EXPECT_LE(g.FullCellRect(5).bottom(), vh);
    EXPECT_GT(g.TopRow(), 1);
    EXPECT_EQ(g.RowAt(g.FullCellRect(5).bottom() + 1), -1);
    g.SetRow(1);
    EXPECT_EQ(g.TopRow(), 1);

    // Shrinking keeps the current row inside.
    g.SetRow(5);
    g.SetRowCount(3);
    EXPECT_EQ(g.Row(), 2);

    // Only the exposed rows are drawn.
    std::vector<int> drawn;
    g.OnDrawCell = [&](QPainter&, int, int row, const QRect&, TDrawGrid::ZellZustand s) {
        drawn.push_back(row);
        EXPECT_EQ(s.fixed, row == 0);
        EXPECT_EQ(s.selected, row == 2);
    };
    g.SetRowCount(50);
    g.SetTopRow(10);
    g.viewport()->repaint();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.front(), 0);
    for (size_t i = 1; i < drawn.size(); ++i) {
        EXPECT_GE(drawn[i], 10);
        EXPECT_LE(drawn[i], 10 + vh / 100 + 1);
    }
}

TEST_F(DocumentWindowTest, LivesInAnMdiSubWindow) {
    QMdiArea area;
    area.resize(1000, 800);
    TMDIChild& w = open();
    QMdiSubWindow* sub = area.addSubWindow(&w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QMdiSubWindow> subGuard(sub);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_EQ(sub->windowTitle(), QStringLiteral("nix.pvo"));
    // Activating a sub-window activates its document.
    ASSERT_FALSE(host.activated.empty());
    EXPECT_EQ(host.activated.back(), &w);
    auto* other = new TMDIChild(host);
    QMdiSubWindow* otherSub = area.addSubWindow(other);
    otherSub->show();
    area.setActiveSubWindow(otherSub);
    EXPECT_EQ(host.activated.back(), other);
    // The frame's own activation reaches every document; it must not make
    // another document the active one.
    QEvent frameActivated(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &frameActivated);
    EXPECT_EQ(host.activated.back(), other);
    area.setActiveSubWindow(sub);
    EXPECT_EQ(host.activated.back(), &w);
    w.SetzeDateiname(QStringLiteral("/tmp/a.pvo"));
    EXPECT_EQ(sub->windowTitle(), QStringLiteral("/tmp/a.pvo"));

    // Closing the sub-window asks the document; Cancel keeps both.
    w.Geaendert = true;
    ui.messageAnswers = {MessageAnswer::Cancel};
    sub->close();
    QCoreApplication::processEvents();
    ASSERT_FALSE(subGuard.isNull());
    EXPECT_FALSE(window.isNull());
    EXPECT_EQ(ui.messages.size(), 1u);

    ui.messageAnswers = {MessageAnswer::No};
    const TMDIChild* raw = &w;
    sub->close();
    QTRY_VERIFY(subGuard.isNull());
    QTRY_VERIFY(window.isNull());
    ASSERT_EQ(host.closed.size(), 1u);
    EXPECT_EQ(host.closed[0], raw);
}
