#include "evaluation/Statistics.h"

#include "common/NumberFormat.h"
#include "common/Texts.h"

#include <algorithm>

namespace ostrevik {
namespace {

// Shortest, longest and sum of one span.
struct Spanne {
    int32_t min = kStatistikMinStart;
    int32_t max = 0;
    uint64_t summe = 0;  // 64 bits: a season of long records overflows 32
    uint32_t anzahl = 0;

    void add(int32_t ms) {
        min = std::min(min, ms);
        max = std::max(max, ms);
        summe += static_cast<uint64_t>(ms);
        ++anzahl;
    }
    uint32_t schnitt() const { return anzahl ? static_cast<uint32_t>(summe / anzahl) : 0; }
};

}  // namespace

Zeiten_t ZeitenBerechnen(const Raster_t& record) {
    Zeiten_t z;
    for (size_t j = 0; j < record.Werte.size(); ++j) {
        const uint8_t v = record.Werte[j];
        const auto ms = static_cast<int32_t>(j) * kMillisecondsPerSample;
        if (z.TonMs == -1 && v == record.Tonschwelle) {
            z.TonMs = ms;
        }
        if (z.SchussMs == -1 && v == kShotMark) {
            z.SchussMs = ms;
        }
    }
    // Tone to shot needs both times and a shot strictly after the tone. A
    // shot without a tone time has no tone-to-shot span (subtracting the
    // "absent" marker would invent one).
    if (z.SchussMs != -1 && z.TonMs != -1 && z.SchussMs - z.TonMs > 0) {
        z.TonSchussMs = z.SchussMs - z.TonMs;
    }
    return z;
}

Statistik_t StatistikBerechnen(const QString& dateiname, const Dateiheader_t& kopf,
                               const Rasters_t& liste) {
    Statistik_t s;
    s.Dateiname = dateiname;
    s.Kopfzeile = kopf.kopfzeile();
    const int fertige = std::max(liste.Anzahl() - 1, 0);
    s.AnzahlGesamt = fertige;

    Spanne ton;
    Spanne schuss;
    Spanne tonSchuss;
    for (int i = 0; i < fertige; ++i) {
        const Raster_t& r = liste.Datensatz(i);
        s.AnzahlSchuss +=
            static_cast<int32_t>(std::count(r.Werte.begin(), r.Werte.end(), kShotMark));
        const Zeiten_t z = ZeitenBerechnen(r);
        if (z.TonMs != -1) {
            ton.add(z.TonMs);
        }
        if (z.SchussMs != -1) {
            schuss.add(z.SchussMs);
        }
        if (z.TonSchussMs != -1) {
            tonSchuss.add(z.TonSchussMs);
        }
    }
    s.AnzahlOhneSchuss = s.AnzahlGesamt - s.AnzahlSchuss;
    s.TonMin = ton.min;
    s.TonMax = ton.max;
    s.TonSchnitt = ton.schnitt();
    s.SchussMin = schuss.min;
    s.SchussMax = schuss.max;
    s.SchussSchnitt = schuss.schnitt();
    s.TonSchussMin = tonSchuss.min;
    s.TonSchussMax = tonSchuss.max;
    // Divided by the number of tone-to-shot values that went into the sum,
    // so records without such a value do not pull the mean down.
    s.TonSchussSchnitt = tonSchuss.schnitt();
    return s;
}

QString SekundenText(int64_t milliseconds, const QLocale& locale) {
    return formatGeneral(static_cast<double>(milliseconds) * 0.001, locale);
}

QStringList StatistikZeilen(const Statistik_t& s, const QLocale& locale) {
    if (s.AnzahlGesamt <= 0) {
        return {QStringLiteral("KEINE DATEN")};
    }
    const QString tabs = QStringLiteral("\t\t");
    auto block = [&](QStringList& out, const QString& title, int64_t min, int64_t max,
                     int64_t schnitt) {
        out << title;
        out << tabs + QStringLiteral("min: ") + SekundenText(min, locale) + Texts::kSekunden;
        out << tabs + QStringLiteral("max: ") + SekundenText(max, locale) + Texts::kSekunden;
        out << tabs + Texts::kStatistikSchnitt + SekundenText(schnitt, locale) + Texts::kSekunden;
    };
    QStringList out;
    out << Texts::kStatistikDateiname + s.Dateiname;
    out << s.Kopfzeile;
    out << Texts::kStatistikGesamt + QString::number(s.AnzahlGesamt);
    out << Texts::kStatistikSchuss + QString::number(s.AnzahlSchuss);
    out << Texts::kStatistikOhneSchuss + QString::number(s.AnzahlOhneSchuss);
    out << QString();
    block(out, Texts::kStatistikBisTon, s.TonMin, s.TonMax, s.TonSchnitt);
    out << QString();
    block(out, Texts::kStatistikBisSchuss, s.SchussMin, s.SchussMax, s.SchussSchnitt);
    out << QString();
    block(out, Texts::kStatistikTonBisSchuss, s.TonSchussMin, s.TonSchussMax, s.TonSchussSchnitt);
    return out;
}

}  // namespace ostrevik
