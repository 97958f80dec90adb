#include "PdfTools.h"
#include "PrintFixture.h"
#include "evaluation/ui/StatisticsDialog.h"

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

TEST_F(StatisticsDialogTest, TabOrderStartsWithDrucken) {
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

    // The texts and their places are checked on the page layout; here, that
    // they reach the paper with the figures of the last showing.
    const QString text = seite1.simplified();
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("Anna Schütz Dateiname: /home/anna/a.pvo Name: Anna")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("Zeit von Druckpunktnahme bis Schuss: küzeste Zeit: 0,02 s "
                                     "längste Zeit: 0,1 s Schnitt: 0,06 s")));
    // Printed now, not when the dialog evaluated.
    EXPECT_TRUE(text.contains(QLocale().toString(vorher.date(), QLocale::ShortFormat) +
                              QStringLiteral(" - ")) ||
                text.contains(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat) +
                              QStringLiteral(" - ")));
    // One page: no page range to choose.
    EXPECT_FALSE(ui.printDialogOfferedPageRange);
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

TEST_F(StatisticsDialogTest, KeineDatenPrintsTheFiguresAsTheyStand) {
    dialog.show();
    ui.onPrintDialog = [](QPrinter&, int, int) { return false; };
    dialog.ButtonDrucken->click();  // cancelled: nothing
    dialogAntwort(QStringLiteral("leer.pdf"));
    dialog.ButtonDrucken->click();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(pdfSeiten(pfad("leer.pdf")), 1);
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
