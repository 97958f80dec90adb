#include "PrintFixture.h"

#include <cstdio>

namespace ostrevik::test {

PrintFixture::PrintFixture() {
    // For looking at the printouts: OSTREVIK_KEEP_PRINTS=1 keeps the files.
    if (qEnvironmentVariableIsSet("OSTREVIK_KEEP_PRINTS")) {
        dir.setAutoRemove(false);
        std::fprintf(stderr, "prints in %s\n", qPrintable(dir.path()));
    }
    settings = DisplaySettings::defaults();
    list.Einstellungen = &settings;
    list.Anhaengen();
    KopfInitialisieren(kopf);
    kopf.setName(QStringLiteral("Anna"));
    kopf.setDatum(QStringLiteral("07.12.2026"));
    kopf.setText(QStringLiteral("Luftpistole Training"));
}

void PrintFixture::records(int n) {
    for (int k = 0; k < n; ++k) {
        Raster_t& r = list.Letzter();
        r.SetzeTonschwelle(100);
        for (int v = 0; v <= 200; v += 10) {
            r.WertAnhaengen(static_cast<uint8_t>(v));
        }
        r.WertAnhaengen(255);
        r.WertAnhaengen(120);
        list.Anhaengen();
    }
}

void PrintFixture::dialogAntwort(const QString& datei, int von, int bis, int kopien) {
    const QString ziel = pfad(datei);
    ui.onPrintDialog = [=, this](QPrinter& p, int minPage, int maxPage) {
        ++dialogs;
        dialogMin = minPage;
        dialogMax = maxPage;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(ziel);
        if (von > 0) {
            p.setPrintRange(QPrinter::PageRange);
            p.setFromTo(von, bis);
        } else {
            p.setPrintRange(QPrinter::AllPages);
        }
        p.setCopyCount(kopien);
        return true;
    };
}

}  // namespace ostrevik::test
