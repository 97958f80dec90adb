#include "common/Texts.h"

#include <QCoreApplication>

namespace ostrevik::Texts {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Ostrevik", text);
}

}  // namespace

QString NoConnection(const QString& port) {
    return QStringLiteral("Keine Verbindung zur Hardware QTX an ") + port + QStringLiteral("!");
}

QString NoConnectionOnOpen(const QString& port) {
    return QStringLiteral("Keine Verbindung zur Hardware QTX an ") + port + QStringLiteral(" !");
}

QString DeviceNotFound() {
    return QStringLiteral(
        "Hardware Ostrevik nicht gefunden!\n\nVerbindung zum PC prüfen!\n"
        "Schnittstelleneinstellung prüfen!");
}

QString ConnectionLost(const QString& port) {
    return tr("Die Verbindung zur Hardware QTX an %1 ist unterbrochen!\n\n"
              "Sobald das Gerät wieder angeschlossen ist, wird die Verbindung von selbst "
              "wiederhergestellt.")
        .arg(port);
}

QString ConnectionRestored(const QString& port) {
    return tr("Verbindung zur Hardware QTX an %1 wiederhergestellt").arg(port);
}

QString FileNotSaved(const QString& path, const QString& reason) {
    return tr("Die Datei %1 konnte nicht gespeichert werden.\n%2").arg(path, reason);
}

QString StatusCredit() {
    return tr("Ostrevik – Abzugstraining mit dem QTX · Version 4.0709");
}

}  // namespace ostrevik::Texts
