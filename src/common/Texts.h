#pragma once

#include <QString>

// The captions of the program's messages and the texts more than one place
// shows, each written once. The device's and the files' texts keep their
// exact wording and variants; texts of the program's own beyond those go
// through Qt's translation (German as written), so that a translation needs
// no change of code.
namespace ostrevik::Texts {

// Captions.
inline const QString kFehler = QStringLiteral("Fehler");
inline const QString kMeldung = QStringLiteral("Meldung");
inline const QString kWarnung = QStringLiteral("Warnung");
inline const QString kMeldungOstrevik = QStringLiteral("Meldung Ostrevik");
inline const QString kOstrevik = QStringLiteral("Ostrevik");

// The help button of the dialogs that have one.
inline const QString kHilfeButton = QStringLiteral("&Hilfe F1");

// "Keine Verbindung zur Hardware QTX an COM3!": an exchange got no answer.
QString NoConnection(const QString& port);
// "Keine Verbindung zur Hardware QTX an COM3 !": the port could not be opened.
QString NoConnectionOnOpen(const QString& port);
// No device answered on any port.
QString DeviceNotFound();
// The line to the device was lost, and came back.
QString ConnectionLost(const QString& port);
QString ConnectionRestored(const QString& port);
// A file could not be written, with the system's reason.
QString FileNotSaved(const QString& path, const QString& reason);
// The status bar's line before the first battery report.
QString StatusCredit();

}  // namespace ostrevik::Texts
