#include "PdfTools.h"
#include "PrintFixture.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "common/Texts.h"
#include "evaluation/PrinterRasters.h"
#include "evaluation/ui/PrintProgress.h"
#include "evaluation/ui/Printing.h"

#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPageLayout>

#include <algorithm>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

// Records what the progress window showed each time it was painted.
class FortschrittZeuge : public QObject {
public:
    explicit FortschrittZeuge(TForm5& form) : form_(form) { form.Label1->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            texte << form_.Label1->text();
            sichtbar = sichtbar && form_.isVisible();
        }
        return false;
    }
    QStringList texte;
    bool sichtbar = true;

private:
    TForm5& form_;
};

class DocumentPrintTest : public PrintFixture {
protected:
    bool drucken() {
        return DokumentDrucken(nullptr, QStringLiteral("/home/anna/Training/2026-12-07.pvo"), kopf,
                               list, settings, QStringLiteral("Anna Schütz"), progress, printer);
    }

    // Printer pixels -> PDF points of the printed page, origin top-left.
    QPointF punkt(QPoint px) const {
        const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Point);
        const double k = 72.0 / printer.resolution();
        return paint.topLeft() + QPointF(px.x() * k, px.y() * k);
    }
    QRectF punkte(const QRect& px) const { return {punkt(px.topLeft()), punkt(px.bottomRight())}; }

    // The layout the printout was made with.
    PrinterRasters_t layout() {
        PrinterRasters_t job(list, &settings, kDruckSeitenSpalten, kDruckSeitenZeilen);
        job.LayoutBerechnen(printer.width(), printer.height());
        return job;
    }

    // The record numbers printed in slot s of a page: the numeric words
    // beside the start of the time axis, where a picture writes its number.
    std::vector<QString> nummernInSlot(const std::vector<PdfWort>& woerter, int seite, int s) {
        const PrinterRasters_t job = layout();
        const QRect zelle = job.ZellenRechteck(s);
        const int y0 = zelle.top() + job.DruckRaster.Zeilen * job.DruckRaster.ZeilenHoehe + 20;
        const QRectF bereich = punkte(QRect(zelle.left(), y0 - 60, 250, 120));
        std::vector<QString> out;
        for (const PdfWort& w : woerter) {
            bool zahl = false;
            w.text.toInt(&zahl);
            if (w.seite == seite && zahl && bereich.contains(w.box.center())) {
                out.push_back(w.text);
            }
        }
        return out;
    }

    // The record number in slot 0 of every page, in page order.
    std::vector<QString> ersteNummern(const QString& datei) {
        const auto woerter = pdfWoerter(datei);
        std::vector<QString> out;
        for (int seite = 1; seite <= pdfSeiten(datei); ++seite) {
            const auto n = nummernInSlot(woerter, seite, 0);
            out.push_back(n.size() == 1 ? n.front() : QStringLiteral("?"));
        }
        return out;
    }

    TForm5 progress;
};

TEST_F(DocumentPrintTest, TwentyRecordsFillExactlyOnePage) {
    records(20);
    dialogAntwort(QStringLiteral("a.pdf"));
    const QDate vorher = QDate::currentDate();
    ASSERT_TRUE(drucken());
    EXPECT_EQ(dialogMin, 1);
    EXPECT_EQ(dialogMax, 1);
    EXPECT_TRUE(ui.printDialogOfferedPageRange);
    EXPECT_EQ(pdfSeiten(pfad("a.pdf")), 1);
    const QString text = pdfText(pfad("a.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("Seite 1 von 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Anna Schütz")));
    EXPECT_TRUE(text.contains(QStringLiteral("/home/anna/Training/2026-12-07.pvo")));
    EXPECT_TRUE(text.contains(QStringLiteral("Anna 07.12.2026")));
    EXPECT_TRUE(text.contains(QStringLiteral("Luftpistole Training")));
    EXPECT_TRUE(text.contains(QStringLiteral("Ostrevik QTX")));
    // Printed today (which may have become tomorrow meanwhile).
    EXPECT_TRUE(text.contains(QLocale().toString(vorher, QLocale::ShortFormat)) ||
                text.contains(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)));

    const auto woerter = pdfWoerter(pfad("a.pdf"));
    EXPECT_EQ(nummernInSlot(woerter, 1, 0), std::vector<QString>{QStringLiteral("1")});
    EXPECT_EQ(nummernInSlot(woerter, 1, 9), std::vector<QString>{QStringLiteral("10")});
    EXPECT_EQ(nummernInSlot(woerter, 1, 10), std::vector<QString>{QStringLiteral("11")});
    EXPECT_EQ(nummernInSlot(woerter, 1, 19), std::vector<QString>{QStringLiteral("20")});
}

}  // namespace

namespace {

TEST_F(DocumentPrintTest, TwentyOneRecordsPutTheLastAloneTopLeftOnPageTwo) {
    records(21);
    dialogAntwort(QStringLiteral("b.pdf"));
    ASSERT_TRUE(drucken());
    EXPECT_EQ(dialogMax, 2);
    const QString datei = pfad("b.pdf");
    ASSERT_EQ(pdfSeiten(datei), 2);
    EXPECT_TRUE(pdfText(datei, 1).contains(QStringLiteral("Seite 1 von 2")));
    EXPECT_TRUE(pdfText(datei, 2).contains(QStringLiteral("Seite 2 von 2")));
    const auto woerter = pdfWoerter(datei);
    EXPECT_EQ(nummernInSlot(woerter, 2, 0), std::vector<QString>{QStringLiteral("21")});
    for (int s = 1; s < 20; ++s) {
        EXPECT_TRUE(nummernInSlot(woerter, 2, s).empty()) << "slot " << s;
    }
}

TEST_F(DocumentPrintTest, PageRangeIsNumberedWithinTheRange) {
    records(45);
    FortschrittZeuge zeuge(progress);
    dialogAntwort(QStringLiteral("c.pdf"), 2, 2);
    ASSERT_TRUE(drucken());
    const QString datei = pfad("c.pdf");
    ASSERT_EQ(pdfSeiten(datei), 1);
    EXPECT_EQ(ersteNummern(datei), std::vector<QString>{QStringLiteral("21")});
    EXPECT_TRUE(pdfText(datei).contains(QStringLiteral("Seite 1 von 1")));
    EXPECT_EQ(nummernInSlot(pdfWoerter(datei), 1, 19), std::vector<QString>{QStringLiteral("40")});
    // The progress window showed the page while it was printed, and is gone.
    ASSERT_FALSE(zeuge.texte.isEmpty());
    EXPECT_EQ(zeuge.texte.back(), QStringLiteral("Drucke Seite 1 von 1"));
    EXPECT_TRUE(zeuge.sichtbar);
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(DocumentPrintTest, CopiesAreRepeatedRunsInOneJob) {
    records(45);
    FortschrittZeuge zeuge(progress);
    dialogAntwort(QStringLiteral("d.pdf"), 0, 0, 2);
    ASSERT_TRUE(drucken());
    const QString datei = pfad("d.pdf");
    ASSERT_EQ(pdfSeiten(datei), 6);
    EXPECT_EQ(
        ersteNummern(datei),
        (std::vector<QString>{QStringLiteral("1"), QStringLiteral("21"), QStringLiteral("41"),
                              QStringLiteral("1"), QStringLiteral("21"), QStringLiteral("41")}));
    for (int seite = 1; seite <= 6; ++seite) {
        const QString erwartet = QStringLiteral("Seite %1 von 3").arg((seite - 1) % 3 + 1);
        EXPECT_TRUE(pdfText(datei, seite).contains(erwartet)) << seite;
    }
    // The printer does not multiply the pages again.
    EXPECT_EQ(printer.copyCount(), 1);
    // Every page's text was painted while it printed.
    EXPECT_EQ(zeuge.texte.count(QStringLiteral("Drucke Seite 3 von 3")), 2);
}

TEST_F(DocumentPrintTest, CoarsestScaleLabelsEveryFourthDivision) {
    settings.timeScale = 0;  // 5 s per division
    records(1);
    dialogAntwort(QStringLiteral("e.pdf"));
    ASSERT_TRUE(drucken());
    const QString datei = pfad("e.pdf");
    const PrinterRasters_t job = layout();
    const QRect zelle = job.ZellenRechteck(0);
    const int y0 = zelle.top() + job.DruckRaster.Zeilen * job.DruckRaster.ZeilenHoehe + 20;
    // Labels hang below the time axis of the slot.
    const QRectF unter = punkte(QRect(zelle.left() + 100, y0, zelle.width(), zelle.height() / 3));
    std::vector<PdfWort> labels;
    for (const PdfWort& w : pdfWoerter(datei)) {
        bool zahl = false;
        w.text.toInt(&zahl);
        if (zahl && unter.contains(w.box.center())) {
            labels.push_back(w);
        }
    }
    std::sort(labels.begin(), labels.end(),
              [](const PdfWort& a, const PdfWort& b) { return a.box.left() < b.box.left(); });
    QStringList texte;
    for (const PdfWort& w : labels) {
        texte << w.text;
    }
    EXPECT_EQ(texte, QStringLiteral("20 40 60 80 100 120 140 160 180 200 220 240").split(' '));
    // Each label is centred under its division.
    ASSERT_EQ(labels.size(), 12u);
    const double teilung = job.DruckRaster.SpaltenBreite * 72.0 / printer.resolution();
    for (size_t k = 0; k < labels.size(); ++k) {
        const double x = punkt(zelle.topLeft()).x() + (50 * 72.0 / printer.resolution()) +
                         teilung * 4 * static_cast<double>(k + 1);
        EXPECT_NEAR(labels[k].box.center().x(), x, 2.0)
            << texte[static_cast<qsizetype>(k)].toStdString();
    }
}

TEST_F(DocumentPrintTest, NothingToPrintStartsNoJob) {
    list.Letzter().WertAnhaengen(40);  // even a take-up in progress is no record
    dialogAntwort(QStringLiteral("f.pdf"));
    EXPECT_FALSE(drucken());  // empty document
    EXPECT_EQ(dialogs, 1);
    records(5);
    dialogAntwort(QStringLiteral("f.pdf"), 2, 2);
    EXPECT_FALSE(drucken());  // a page the document does not have
    ui.onPrintDialog = [](QPrinter&, int, int) { return false; };
    EXPECT_FALSE(drucken());  // cancelled
    EXPECT_FALSE(QFile::exists(pfad("f.pdf")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(DocumentPrintTest, CaptureTargetIsNeverPrinted) {
    records(20);
    for (int v : {10, 50, 90}) {
        list.Letzter().WertAnhaengen(static_cast<uint8_t>(v));
    }
    dialogAntwort(QStringLiteral("h.pdf"));
    ASSERT_TRUE(drucken());
    EXPECT_EQ(pdfSeiten(pfad("h.pdf")), 1);
    // No record number 21; the footer's date may hold a 21 of its own.
    QString text = pdfText(pfad("h.pdf"));
    text.remove(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_FALSE(text.contains(QStringLiteral("21")));
}

TEST_F(DocumentPrintTest, APrinterThatRefusesTheJobIsReported) {
    records(3);
    dialogAntwort(QStringLiteral("fehlt/j.pdf"));  // a directory that does not exist
    EXPECT_FALSE(drucken());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Texts::PrintFailed());
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_FALSE(progress.isVisible());
}

// Printed to a file on a full disk: the job fails as a printer's would, and
// the file printed before stays whole.
TEST_F(DocumentPrintTest, PrintingToAFileOnAFullDiskKeepsTheEarlierFile) {
    SmallDisk disk("64k");
    SKIP_WITHOUT(disk);
    records(20);
    const QString pdf = disk.path(QStringLiteral("druck.pdf"));
    ui.onPrintDialog = [&pdf](QPrinter& p, int, int) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    ASSERT_TRUE(drucken());
    const QByteArray before = readAll(pdf);
    EXPECT_EQ(pdfSeiten(pdf), 1);
    EXPECT_EQ(printer.outputFileName(), pdf);
    disk.fill(4096);

    records(20);
    EXPECT_FALSE(drucken());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Texts::PrintFailed());
    EXPECT_EQ(readAll(pdf), before);
    EXPECT_EQ(printer.outputFileName(), pdf);  // for the next dialog
    EXPECT_EQ(QDir(disk.path({})).entryList(QDir::Files),
              QStringList({QStringLiteral("druck.pdf"), QStringLiteral("filler")}));
}

TEST_F(DocumentPrintTest, ShotNumbersAsOnScreen) {
    records(2);
    // A record without a shot between them does not take a number.
    list.Letzter().SetzeTonschwelle(20);
    list.Letzter().WertAnhaengen(20);
    list.Anhaengen();
    records(1);
    const int32_t zaehlerVorher = list.SchussZaehler();
    dialogAntwort(QStringLiteral("k.pdf"));
    ASSERT_TRUE(drucken());
    QStringList nummern;
    for (const PdfWort& w : pdfWoerter(pfad("k.pdf"))) {
        if (w.text.size() == 4 && w.text.startsWith(QStringLiteral("000"))) {
            nummern << w.text;
        }
    }
    EXPECT_EQ(nummern, (QStringList{QStringLiteral("0001"), QStringLiteral("0002"),
                                    QStringLiteral("0003")}));
    // Printing leaves the document's count of numbered shots as it was.
    EXPECT_EQ(list.SchussZaehler(), zaehlerVorher);
}

TEST(ProgressWindow, CannotBeClosedWhilePrinting) {
    TForm5 form;
    {
        DruckFortschrittAnzeige anzeige(form);
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(form.close());
        EXPECT_TRUE(form.isVisible());
    }
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
