#include "PdfTools.h"
#include "PrintFixture.h"
#include "evaluation/StatisticsDialog.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

class StatisticsDialogTest : public PrintFixture {
protected:
    StatisticsDialogTest() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        dialog.setDrucker(&printer);
        dialog.setQuelle([this] {
            ++abfragen;
            return StatistikQuelle{QStringLiteral("/home/anna/a.pvo"), aktiv ? &kopf : nullptr,
                                   aktiv ? &list : nullptr, QStringLiteral("Anna Schütz")};
        });
    }
    ~StatisticsDialogTest() override {
        dialog.hide();
        QLocale::setDefault(QLocale::system());
    }

    QStringList memo() const { return dialog.Memo1->toPlainText().split(QLatin1Char('\n')); }

    // Completes one record with the given threshold and samples.
    void record(uint32_t threshold, std::initializer_list<int> samples) {
        list.Letzter().SetzeTonschwelle(threshold);
        for (int s : samples) {
            list.Letzter().WertAnhaengen(static_cast<uint8_t>(s));
        }
        list.Anhaengen();
    }

    TPvxStatistikDlg dialog;
    bool aktiv = true;
    int abfragen = 0;
};

TEST_F(StatisticsDialogTest, FormAndControls) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Statistik"));
    EXPECT_EQ(dialog.size(), QSize(350, 345));
    EXPECT_EQ(dialog.ButtonDrucken->text(), QStringLiteral("&Drucken"));
    EXPECT_EQ(dialog.ButtonOK->text(), QStringLiteral("B&eenden"));
    EXPECT_EQ(dialog.Hilfe1->text(), QStringLiteral("&Hilfe F1"));
    EXPECT_TRUE(dialog.Memo1->isReadOnly());
    EXPECT_EQ(dialog.Memo1->geometry(), QRect(1, 5, 348, 292));
    // Tab order: Drucken, Beenden, Hilfe, memo, and round again.
    const QList<QWidget*> controls{dialog.ButtonDrucken, dialog.ButtonOK, dialog.Hilfe1,
                                   dialog.Memo1};
    QList<QWidget*> order;
    QWidget* w = dialog.ButtonDrucken;
    for (int i = 0; i < 50 && order.size() < 5; ++i, w = w->nextInFocusChain()) {
        if (controls.contains(w)) {
            order << w;
        }
    }
    EXPECT_EQ(order, (QList<QWidget*>{dialog.ButtonDrucken, dialog.ButtonOK, dialog.Hilfe1,
                                      dialog.Memo1, dialog.ButtonDrucken}));
}

TEST_F(StatisticsDialogTest, OnlyTheCaptureTargetShowsKeineDaten) {
    list.Letzter().WertAnhaengen(30);
    dialog.show();
    EXPECT_EQ(memo(), QStringList{QStringLiteral("KEINE DATEN")});
}

TEST_F(StatisticsDialogTest, EachShowingEvaluatesTheDocumentAsItIsThen) {
    // Tone at 40 ms, shot at 100 ms.
    record(50, {10, 30, 50, 60, 70, 255});
    dialog.show();
    QStringList zeilen = memo();
    ASSERT_EQ(zeilen.size(), 20);
    EXPECT_EQ(zeilen[0], QStringLiteral("Dateiname: /home/anna/a.pvo"));
    EXPECT_EQ(zeilen[1], QStringLiteral("Anna - 07.12.2026 - Luftpistole Training"));
    EXPECT_EQ(zeilen[2], QStringLiteral("Anzahl Druckpunktnahmen gesamt: 1"));
    EXPECT_EQ(zeilen[7], QStringLiteral("\t\tmin: 0,04 s"));
    EXPECT_EQ(zeilen[12], QStringLiteral("\t\tmin: 0,1 s"));
    EXPECT_EQ(dialog.Statistik.AnzahlGesamt, 1);

    // Closing and showing again evaluates anew; the same document gives the
    // same figures, a grown one new ones.
    dialog.ButtonOK->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.show();
    EXPECT_EQ(memo(), zeilen);
    dialog.hide();
    record(50, {50, 255});
    dialog.show();
    zeilen = memo();
    EXPECT_EQ(zeilen[2], QStringLiteral("Anzahl Druckpunktnahmen gesamt: 2"));
    EXPECT_EQ(zeilen[7], QStringLiteral("\t\tmin: 0 s"));
    EXPECT_EQ(abfragen, 3);
}

TEST_F(StatisticsDialogTest, NoActiveDocumentShowsKeineDaten) {
    aktiv = false;
    dialog.show();
    EXPECT_EQ(memo(), QStringList{QStringLiteral("KEINE DATEN")});
}

TEST_F(StatisticsDialogTest, F1OpensHelpFromAnyControlAndIsConsumed) {
    record(50, {50, 255});
    dialog.show();
    const QString vorher = dialog.Memo1->toPlainText();
    for (QWidget* w :
         {static_cast<QWidget*>(dialog.Memo1), static_cast<QWidget*>(dialog.ButtonDrucken),
          static_cast<QWidget*>(&dialog)}) {
        QTest::keyClick(w, Qt::Key_F1);
    }
    EXPECT_EQ(ui.helpTopics, QStringList(3, QStringLiteral("Ovrik_Statistik.html")));
    dialog.Hilfe1->click();
    EXPECT_EQ(ui.helpTopics.size(), 4);
    EXPECT_EQ(dialog.Memo1->toPlainText(), vorher);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(StatisticsDialogTest, PrintoutOfTheLastEvaluation) {
    record(50, {10, 30, 50, 60, 70, 255});
    record(40, {40, 255});
    dialog.show();
    dialogAntwort(QStringLiteral("statistik.pdf"), 0, 0, 3);
    const QDateTime vorher = QDateTime::currentDateTime();
    dialog.ButtonDrucken->click();
    ASSERT_EQ(dialogs, 1);
    EXPECT_EQ(printer.docName(), QStringLiteral("Statistik"));
    EXPECT_EQ(printer.copyCount(), 1);  // the copies are pages of their own

    const QString datei = pfad("statistik.pdf");
    ASSERT_EQ(pdfSeiten(datei), 3);
    const QString seite1 = pdfText(datei, 1);
    EXPECT_EQ(pdfText(datei, 2), seite1);
    EXPECT_EQ(pdfText(datei, 3), seite1);

    QStringList zeilen;
    for (const QString& z : seite1.split(QLatin1Char('\n'))) {
        if (!z.trimmed().isEmpty()) {
            zeilen << z.simplified();
        }
    }
    const QString datum =
        QLocale().toString(vorher.date(), QLocale::ShortFormat) + QStringLiteral(" - ");
    ASSERT_EQ(zeilen.size(), 21);
    EXPECT_EQ(zeilen[0], QStringLiteral("Anna Schütz"));
    EXPECT_EQ(zeilen[1], QStringLiteral("Dateiname: /home/anna/a.pvo"));
    EXPECT_EQ(zeilen[2], QStringLiteral("Name: Anna"));
    EXPECT_EQ(zeilen[3], QStringLiteral("Auswertung der Trainingseinheit vom 07.12.2026"));
    EXPECT_EQ(zeilen[4], QStringLiteral("Luftpistole Training"));
    EXPECT_EQ(zeilen[5], QStringLiteral("Anzahl Druckpunktnahmen gesamt: 2"));
    EXPECT_EQ(zeilen[6], QStringLiteral("Anzahl Schuss: 2"));
    EXPECT_EQ(zeilen[7], QStringLiteral("Anzahl Druckpunktnahmen ohne Schuss: 0"));
    EXPECT_EQ(zeilen[8], QStringLiteral("Zeit von Druckpunktnahme bis Tonschwelle:"));
    EXPECT_EQ(zeilen[9], QStringLiteral("küzeste Zeit: 0 s"));
    EXPECT_EQ(zeilen[10], QStringLiteral("längste Zeit: 0,04 s"));
    EXPECT_EQ(zeilen[11], QStringLiteral("Schnitt: 0,02 s"));
    EXPECT_EQ(zeilen[12], QStringLiteral("Zeit von Druckpunktnahme bis Schuss:"));
    EXPECT_EQ(zeilen[13], QStringLiteral("küzeste Zeit: 0,02 s"));
    EXPECT_EQ(zeilen[14], QStringLiteral("längste Zeit: 0,1 s"));
    EXPECT_EQ(zeilen[15], QStringLiteral("Schnitt: 0,06 s"));
    EXPECT_EQ(zeilen[16], QStringLiteral("Zeit von Tonschwelle bis Schuss:"));
    EXPECT_EQ(zeilen[17], QStringLiteral("küzeste Zeit: 0,02 s"));
    EXPECT_EQ(zeilen[18], QStringLiteral("längste Zeit: 0,06 s"));
    EXPECT_EQ(zeilen[19], QStringLiteral("Schnitt: 0,04 s"));
    EXPECT_TRUE(zeilen[20].startsWith(datum)) << zeilen[20].toStdString();
}

TEST_F(StatisticsDialogTest, PrintedLinesDoNotOverlap) {
    record(50, {50, 255});
    dialog.show();
    dialogAntwort(QStringLiteral("s.pdf"));
    dialog.ButtonDrucken->click();
    const auto woerter = pdfWoerter(pfad("s.pdf"));
    ASSERT_FALSE(woerter.empty());
    // 70 printer pixels apart at the printer's resolution, in points.
    const double schritt = 70.0 * 72.0 / printer.resolution();
    for (const PdfWort& w : woerter) {
        EXPECT_LT(w.box.height(), schritt) << w.text.toStdString();
    }
}

TEST_F(StatisticsDialogTest, CancelledPrintDialogPrintsNothing) {
    dialog.show();
    ui.onPrintDialog = [this](QPrinter& p, int, int) {
        ++dialogs;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pfad("nie.pdf"));
        return false;
    };
    dialog.ButtonDrucken->click();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(QFile::exists(pfad("nie.pdf")));
}

TEST_F(StatisticsDialogTest, KeineDatenPrintsTheFiguresAsTheyStand) {
    dialog.show();
    dialogAntwort(QStringLiteral("leer.pdf"));
    dialog.ButtonDrucken->click();
    const QString text = pdfText(pfad("leer.pdf")).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Anzahl Druckpunktnahmen gesamt: 0")));
    EXPECT_TRUE(text.contains(QStringLiteral("küzeste Zeit: 50 s längste Zeit: 0 s Schnitt: 0 s")));
}

}  // namespace

namespace {

// The positions are printer pixels: the finer the printer, the closer the
// text block sits to the edge of the printable area.
TEST_F(StatisticsDialogTest, PositionsArePrinterPixels) {
    record(50, {50, 255});
    dialog.show();
    for (int dpi : {300, 600}) {
        printer.setResolution(dpi);
        const QString datei = QStringLiteral("dpi%1.pdf").arg(dpi);
        dialogAntwort(datei);
        dialog.ButtonDrucken->click();
        const QPointF rand = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
        const auto woerter = pdfWoerter(pfad(datei));
        ASSERT_FALSE(woerter.empty());
        // The user's name, first on the page, at (300, 220) printer pixels.
        EXPECT_EQ(woerter[0].text, QStringLiteral("Anna"));
        EXPECT_NEAR(woerter[0].box.left(), rand.x() + 300.0 * 72 / dpi, 1.0) << dpi;
        EXPECT_NEAR(woerter[0].box.top(), rand.y() + 220.0 * 72 / dpi, 3.0) << dpi;
    }
}

}  // namespace
