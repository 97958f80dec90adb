// Any byte sequence as a measurement file: reading, building records, writing
// them back and evaluating them must neither crash nor lose consistency.
#include "FuzzCheck.h"
#include "evaluation/Statistics.h"
#include "measurement/MeasurementFile.h"

#include <cstdint>

using namespace ostrevik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    DisplaySettings settings = DisplaySettings::defaults();
    settings.timeScale = static_cast<uint32_t>(size % 7);  // every scale and the fallback

    Dateiheader_t header;
    KopfInitialisieren(header);
    QByteArray bytes;
    if (!KopfUndDatenAusBytes(header, file, bytes)) {
        check(bytes.isEmpty());
        return 0;
    }
    (void)header.kopfzeile();

    Rasters_t list(50, 4, 60, 60);
    list.Einstellungen = &settings;
    list.Anhaengen();
    const DatenWalkErgebnis walk = DatenInListe(list, bytes, 2000);
    check(list.Anzahl() == walk.fertigeDatensaetze + 1);
    for (int i = 0; i < list.Anzahl(); ++i) {
        check(list.Datensatz(i).Werte.size() <= list.Datensatz(i).Kapazitaet());
    }

    // What is written reads back as the same records.
    const QByteArray written = ListeAlsDaten(list);
    Rasters_t again(50, 4, 60, 60);
    again.Einstellungen = &settings;
    again.Anhaengen();
    DatenInListe(again, written, 2000);
    check(again.Anzahl() == list.Anzahl());
    for (int i = 0; i + 1 < list.Anzahl(); ++i) {
        check(again.Datensatz(i).Werte == list.Datensatz(i).Werte);
        check(again.Datensatz(i).Tonschwelle ==
              SchwellenByteFuerDatei(list.Datensatz(i).Tonschwelle));
    }

    const Statistik_t s = StatistikBerechnen(QStringLiteral("f.pvo"), header, list);
    check(s.AnzahlGesamt == walk.fertigeDatensaetze);
    check(s.TonSchussMin >= 0 && s.SchussMin >= 0 && s.TonMin >= 0);
    (void)StatistikZeilen(s, QLocale::c());
    return 0;
}
