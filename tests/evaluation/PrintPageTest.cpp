#include "PdfTools.h"
#include "PrintFixture.h"
#include "evaluation/ui/PrintProgress.h"
#include "evaluation/PrinterRasters.h"
#include "evaluation/ui/Printing.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdio>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

bool istKurve(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}

class PrintPageTest : public PrintFixture {
protected:
    // Draws one page of the document onto an A4 page image at 300 dpi and
    // counts the curve's pixels per slot; pixels outside every slot's
    // picture land in `daneben`.
    std::vector<int> kurveJeSlot(PrinterRasters_t& job, const DruckSeite_t& seite) {
        QImage bild(2480, 3508, QImage::Format_RGB32);
        bild.fill(Qt::white);
        job.LayoutBerechnen(bild.width(), bild.height());
        {
            QPainter p(&bild);
            job.SeiteMalen(p, seite);
        }
        std::vector<int> zaehler(20, 0);
        daneben = 0;
        const int breite = job.DruckRaster.Spalten * job.DruckRaster.SpaltenBreite + 70;
        const int hoehe = job.DruckRaster.Zeilen * job.DruckRaster.ZeilenHoehe + 60;
        for (int y = 0; y < bild.height(); ++y) {
            const auto* zeile = reinterpret_cast<const QRgb*>(bild.constScanLine(y));
            for (int x = 0; x < bild.width(); ++x) {
                if (!istKurve(zeile[x])) {
                    continue;
                }
                int slot = -1;
                for (int s = 0; s < 20; ++s) {
                    const QRect z = job.ZellenRechteck(s);
                    // The plot area of the slot's picture, where the curve
                    // belongs (a pen's width of slack around it).
                    const QRect plot(z.left() + 50 - 3, z.top() + 10 - 3, breite - 70 + 6 + 20,
                                     hoehe - 50 + 6);
                    if (plot.contains(x, y)) {
                        slot = s;
                        break;
                    }
                }
                if (slot < 0) {
                    ++daneben;
                } else {
                    ++zaehler[static_cast<size_t>(slot)];
                }
            }
        }
        return zaehler;
    }
    int daneben = 0;
};

TEST_F(PrintPageTest, CurvesLandInsideTheirSlots) {
    records(13);
    PrinterRasters_t job(list, &settings, kDruckSeitenSpalten, kDruckSeitenZeilen);
    const auto plan = DruckPlan(13, 20, 0, 0, 1);
    ASSERT_EQ(plan.size(), 1u);
    const std::vector<int> zaehler = kurveJeSlot(job, plan[0]);
    EXPECT_EQ(daneben, 0);
    for (int s = 0; s < 20; ++s) {
        if (s < 13) {
            EXPECT_GT(zaehler[static_cast<size_t>(s)], 20) << "slot " << s;
        } else {
            EXPECT_EQ(zaehler[static_cast<size_t>(s)], 0) << "slot " << s;
        }
    }
}

TEST_F(PrintPageTest, ALongRecordStaysInItsSlotAtAFinerScale) {
    // Captured at a coarse scale, printed at 0.5 s per division: the curve
    // is longer than the time axis and must not run into the right column.
    Raster_t& r = list.Letzter();
    r.SetzeTonschwelle(100);
    for (int i = 0; i < 2500; ++i) {
        r.WertAnhaengen(static_cast<uint8_t>(60 + i % 100));
    }
    ASSERT_EQ(r.AnzahlWerte(), 2500);  // 50 s, twice the printed axis
    list.Anhaengen();
    settings.timeScale = 3;
    PrinterRasters_t job(list, &settings, kDruckSeitenSpalten, kDruckSeitenZeilen);
    const std::vector<int> zaehler = kurveJeSlot(job, DruckPlan(1, 20, 0, 0, 1)[0]);
    EXPECT_EQ(daneben, 0);
    EXPECT_GT(zaehler[0], 1000);
    EXPECT_EQ(zaehler[10], 0);
}

TEST_F(PrintPageTest, PrintedRecordTakesThePageGeometry) {
    records(3);
    PrinterRasters_t job(list, &settings, kDruckSeitenSpalten, kDruckSeitenZeilen);
    job.LayoutBerechnen(4760, 6779);  // A4 at 600 dpi
    const auto r = job.DruckDatensatz(1, 97);
    EXPECT_EQ(r->Raster.SpaltenBreite, 41);
    EXPECT_EQ(r->Raster.ZeilenHoehe, 120);
    EXPECT_EQ(r->SchriftHoehe, 48);
    EXPECT_EQ(r->PixelProSekunde, 41u);  // 1 s per division
    EXPECT_EQ(r->NummerText, QStringLiteral("2"));
    EXPECT_EQ(r->Werte, list.Datensatz(1).Werte);
}

// Ten full pages of long records to a PDF file, timed.
TEST_F(PrintPageTest, TenPagesToPdfInUnderFiveSeconds) {
    for (int k = 0; k < 200; ++k) {
        Raster_t& r = list.Letzter();
        r.SetzeTonschwelle(120);
        // 20 s of trigger work: a slow rise, a hold with tremor and the shot.
        for (int i = 0; i < 1000; ++i) {
            r.WertAnhaengen(static_cast<uint8_t>(std::min(i / 3, 180) + (i * 7 + k) % 11));
        }
        r.WertAnhaengen(255);
        r.WertAnhaengen(90);
        list.Anhaengen();
    }
    TForm5 progress;
    dialogAntwort(QStringLiteral("zehn.pdf"));
    QElapsedTimer uhr;
    uhr.start();
    ASSERT_TRUE(DokumentDrucken(nullptr, QStringLiteral("/tmp/zehn.pvo"), kopf, list, settings,
                                QStringLiteral("Anna"), progress, printer));
    const qint64 ms = uhr.elapsed();
    std::fprintf(stderr, "10 pages (200 records of 1002 samples) to PDF: %lld ms\n",
                 static_cast<long long>(ms));
    RecordProperty("print_ms", static_cast<int>(ms));
    EXPECT_EQ(pdfSeiten(pfad("zehn.pdf")), 10);
#if defined(__SANITIZE_ADDRESS__)
#define OSTREVIK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTREVIK_SANITIZED 1
#endif
#endif
#ifndef OSTREVIK_SANITIZED
    EXPECT_LT(ms, 5000);
#endif
}

}  // namespace
