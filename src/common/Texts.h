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
// The program's name: the main window's caption, the standard error
// display's, and the application's name (which also names its settings'
// folder).
inline const QString kOstrevik = QStringLiteral("Ostrevik");

// The main window's caption with the user's name: "Ostrevik - Testanwender".
QString MainCaption(const QString& userName);

// The help button of the dialogs that have one.
inline const QString kHilfeButton = QStringLiteral("&Hilfe F1");

// The file dialogs' filter of measurement files.
inline const QString kPvoFilter = QStringLiteral("Pelvaro-Datei (*.pvo)");

// The foot of every printed page, documents and reports alike.
inline const QString kDruckFuss = QStringLiteral("Ostrevik QTX");

// The device does not answer. The variants differ on purpose, each is the
// text of its own place:
// "Keine Verbindung zur Hardware QTX an COM3!": an exchange got no answer.
QString NoConnection(const QString& port);
// "Keine Verbindung zur Hardware QTX an COM3 !": the port could not be opened.
QString NoConnectionOnOpen(const QString& port);
// "Keine Verbindung zur Hardware QTX": the memory banks' fill levels.
QString NoConnectionBankLevels();
// "Keine Verbindung zur Hardware QTX!": the tone generator's direction.
QString NoConnectionToneDirection();
// No device answered on any port.
QString DeviceNotFound();
// The line to the device was lost, and came back.
QString ConnectionLost(const QString& port);
QString ConnectionRestored(const QString& port);
// The zero calibration asks to wait for the take-up under way.
QString CalibrationWaitsForTakeUp();

// A file that is no measurement file.
QString WrongFileType();
// A measurement file beyond what the program opens.
QString FileTooLarge(const QString& path, qint64 maxMegabytes);
// A file to be read is not there.
QString FileNotFound(const QString& path);
// A file could not be written, with the system's reason.
QString FileNotSaved(const QString& path, const QString& reason);
// The printer refused or broke off a job.
QString PrintFailed();
// A command line option the program does not know.
QString UnknownOption(const QString& option);
// The status bar's line before the first battery report.
QString StatusCredit();

// The statistics' labels, on the screen and on the printout alike.
inline const QString kStatistikDateiname = QStringLiteral("Dateiname: ");
inline const QString kStatistikGesamt = QStringLiteral("Anzahl Druckpunktnahmen gesamt: ");
inline const QString kStatistikSchuss = QStringLiteral("Anzahl Schuss: ");
inline const QString kStatistikOhneSchuss = QStringLiteral("Anzahl Druckpunktnahmen ohne Schuss: ");
inline const QString kStatistikBisTon = QStringLiteral("Zeit von Druckpunktnahme bis Tonschwelle:");
inline const QString kStatistikBisSchuss = QStringLiteral("Zeit von Druckpunktnahme bis Schuss:");
inline const QString kStatistikTonBisSchuss = QStringLiteral("Zeit von Tonschwelle bis Schuss:");
inline const QString kStatistikSchnitt = QStringLiteral("Schnitt: ");
inline const QString kSekunden = QStringLiteral(" s");

}  // namespace ostrevik::Texts
