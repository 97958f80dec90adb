#include "common/Texts.h"

#include <QCoreApplication>

namespace ostrevik::Texts {

QString MainCaption(const QString& userName) {
    return kOstrevik + QStringLiteral(" - ") + userName;
}

QString NoConnection(const QString& port) {
    return QStringLiteral("Keine Verbindung zur Hardware QTX an ") + port + QStringLiteral("!");
}

QString NoConnectionOnOpen(const QString& port) {
    return QStringLiteral("Keine Verbindung zur Hardware QTX an ") + port + QStringLiteral(" !");
}

QString NoConnectionBankLevels() {
    return QStringLiteral("Keine Verbindung zur Hardware QTX");
}

QString NoConnectionToneDirection() {
    return QStringLiteral("Keine Verbindung zur Hardware QTX!");
}

QString DeviceNotFound() {
    return QStringLiteral(
        "Hardware Ostrevik nicht gefunden!\n\nVerbindung zum PC prüfen!\n"
        "Schnittstelleneinstellung prüfen!");
}

QString ConnectionLost(const QString& port) {
    return QCoreApplication::translate(
               "Texts",
               "Die Verbindung zur Hardware QTX an %1 ist unterbrochen!\n\n"
               "Sobald das Gerät wieder angeschlossen ist, wird die Verbindung von selbst "
               "wiederhergestellt.")
        .arg(port);
}

QString ConnectionRestored(const QString& port) {
    return QCoreApplication::translate("Texts",
                                       "Verbindung zur Hardware QTX an %1 wiederhergestellt")
        .arg(port);
}

QString CalibrationWaitsForTakeUp() {
    return QCoreApplication::translate(
        "Texts",
        "Es läuft gerade eine Druckpunktnahme. Der Nullabgleich kann erst beginnen, wenn "
        "sie beendet ist.\n\nWarten, bis die Druckpunktnahme beendet ist?");
}

QString WrongFileType() {
    return QStringLiteral("Fehler beim laden der Datei. Möglicherweise falscher Dateityp");
}

QString FileTooLarge(const QString& path, qint64 maxMegabytes) {
    return QCoreApplication::translate(
               "Texts", "Die Datei %1 ist zu groß. Es können Dateien bis %2 MB geöffnet werden.")
        .arg(path, QString::number(maxMegabytes));
}

QString FileNotFound(const QString& path) {
    return QCoreApplication::translate("Texts", "Die Datei %1 wurde nicht gefunden.").arg(path);
}

QString FileNotSaved(const QString& path, const QString& reason) {
    return QCoreApplication::translate("Texts", "Die Datei %1 konnte nicht gespeichert werden.\n%2")
        .arg(path, reason);
}

QString PrintFailed() {
    return QCoreApplication::translate("Texts", "Der Druckauftrag konnte nicht ausgeführt werden.");
}

QString UnknownOption(const QString& option) {
    return QCoreApplication::translate("Texts", "Unbekannte Option %1.").arg(option);
}

QString StatusCredit() {
    return QCoreApplication::translate("Texts",
                                       "Ostrevik – Abzugstraining mit dem QTX · Version 4.0709");
}

}  // namespace ostrevik::Texts
