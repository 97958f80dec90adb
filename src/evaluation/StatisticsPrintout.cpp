#include "evaluation/StatisticsPrintout.h"

#include "common/NumberFormat.h"
#include "common/Texts.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrevik {

StatistikSeite_t StatistikSeite(const Statistik_t& s, const QString& anwender,
                                const Dateiheader_t* kopf, const QDateTime& jetzt,
                                const QLocale& locale) {
    StatistikSeite_t seite;
    int32_t y = 150;
    auto schritt = [&](int32_t schritte = 1) { y += schritte * kStatistikZeilenschritt; };
    auto zeile = [&](int32_t x, const QString& text) { seite.Texte.push_back({x, y, text}); };
    auto zeit = [&](const QString& label, int64_t ms) {
        schritt();
        zeile(kStatistikEinzug, label + SekundenText(ms, locale) + Texts::kSekunden);
    };
    auto spanne = [&](const QString& titel, int64_t min, int64_t max, int64_t schnitt) {
        schritt(2);
        zeile(kStatistikLinks, titel);
        // "küzeste" is the label as the printout has always read.
        zeit(QStringLiteral("küzeste Zeit: "), min);
        zeit(QStringLiteral("längste Zeit: "), max);
        zeit(Texts::kStatistikSchnitt, schnitt);
    };

    schritt();
    zeile(kStatistikLinks, anwender);
    schritt();
    seite.Linien.push_back(y);
    schritt();
    zeile(kStatistikLinks, Texts::kStatistikDateiname + s.Dateiname);
    schritt();
    zeile(kStatistikLinks, QStringLiteral("Name: %1").arg(kopf ? kopf->name() : QString()));
    schritt();
    zeile(kStatistikLinks, QStringLiteral("Auswertung der Trainingseinheit vom %1")
                               .arg(kopf ? kopf->datum() : QString()));
    schritt();
    zeile(kStatistikLinks, kopf ? kopf->text() : QString());

    schritt(3);
    zeile(kStatistikLinks, Texts::kStatistikGesamt + QString::number(s.AnzahlGesamt));
    schritt();
    zeile(kStatistikLinks, Texts::kStatistikSchuss + QString::number(s.AnzahlSchuss));
    schritt();
    zeile(kStatistikLinks, Texts::kStatistikOhneSchuss + QString::number(s.AnzahlOhneSchuss));

    spanne(Texts::kStatistikBisTon, s.TonMin, s.TonMax, s.TonSchnitt);
    spanne(Texts::kStatistikBisSchuss, s.SchussMin, s.SchussMax, s.SchussSchnitt);
    spanne(Texts::kStatistikTonBisSchuss, s.TonSchussMin, s.TonSchussMax, s.TonSchussSchnitt);

    schritt(3);
    zeile(kStatistikLinks, locale.toString(jetzt.date(), QLocale::ShortFormat) +
                               QStringLiteral(" - ") + formatLongTime(jetzt.time(), locale));
    schritt();
    seite.Linien.push_back(y);
    return seite;
}

QFont StatistikSchrift(const QFont& canvasSchrift, const QPaintDevice* geraet) {
    QFont f = canvasSchrift;
    auto hoehe = [&] {
        return geraet ? QFontMetrics(f, geraet).height() : QFontMetrics(f).height();
    };
    const int jetzt = hoehe();
    if (jetzt <= kStatistikMaxZeilenhoehe) {
        return f;
    }
    // The positions are printer pixels, so on a fine printer the canvas'
    // font would make the lines overlap; scale it to the line step.
    int px = f.pixelSize();
    if (px <= 0) {
        const int dpi = geraet ? geraet->logicalDpiY() : 72;
        px = static_cast<int>(std::lround(f.pointSizeF() * dpi / 72.0));
    }
    px = std::max(1, px * kStatistikMaxZeilenhoehe / std::max(jetzt, 1));
    f.setPixelSize(px);
    while (px > 1 && hoehe() > kStatistikMaxZeilenhoehe) {
        f.setPixelSize(--px);
    }
    return f;
}

void StatistikSeiteMalen(QPainter& canvas, const StatistikSeite_t& seite) {
    canvas.save();
    canvas.setFont(StatistikSchrift(canvas.font(), canvas.device()));
    const int ascent = canvas.fontMetrics().ascent();
    for (const DruckText_t& t : seite.Texte) {
        canvas.drawText(t.x, t.y + ascent, t.text);
    }
    for (int32_t y : seite.Linien) {
        canvas.drawLine(kStatistikLinks, y, kStatistikLinieBis, y);
    }
    canvas.restore();
}

DruckErgebnis StatistikDrucken(QPagedPaintDevice& drucker, const StatistikSeite_t& seite,
                               int32_t kopien) {
    QPainter canvas;
    if (!canvas.begin(&drucker)) {
        return DruckErgebnis::DruckerFehler;
    }
    kopien = std::max(kopien, 1);
    DruckErgebnis ergebnis = DruckErgebnis::Gedruckt;
    for (int32_t c = 0; c < kopien; ++c) {
        if (c > 0 && !drucker.newPage()) {
            ergebnis = DruckErgebnis::DruckerFehler;
            break;
        }
        StatistikSeiteMalen(canvas, seite);
    }
    if (!canvas.end()) {
        ergebnis = DruckErgebnis::DruckerFehler;
    }
    return ergebnis;
}

}  // namespace ostrevik
