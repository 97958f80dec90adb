#pragma once

#include <QString>

// The topic pages of the help file "Ostrevik.chm", one per window that has help.
namespace ostrevik::HelpTopics {

inline const QString Einleitung = QStringLiteral("Ovrik_Einleitung.html");  // main window
inline const QString Einstellungen = QStringLiteral("Ovrik_Einstellungen.html");
inline const QString Zusatztext = QStringLiteral("Ovrik_Zusatztext.html");
inline const QString Verstaerkung = QStringLiteral("Ovrik_Verstaerkung.html");
inline const QString Statistik = QStringLiteral("Ovrik_Statistik.html");
inline const QString Speicherbaenke = QStringLiteral("Ovrik_Speicherbaenke.html");
inline const QString EinstTongen = QStringLiteral("Ovrik_EinstTongen.html");

}  // namespace ostrevik::HelpTopics
