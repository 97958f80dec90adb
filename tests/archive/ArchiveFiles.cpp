#include "ArchiveFiles.h"

#include "measurement/MeasurementFile.h"

#include <gtest/gtest.h>

namespace ostrevik::test {

QByteArray takeUpBytes(int beforeShot) {
    return QByteArray(1, 100) + QByteArray(beforeShot, 120) + QByteArray(1, '\xff') +
           QByteArray(30, 110) + QByteArray(1, kRecordEnd);
}

void writeSession(const QString& path, const QString& name, const QString& datum,
                  std::initializer_list<int> beforeShot) {
    writeSession(path, name, datum, std::vector<int>(beforeShot));
}

void writeSession(const QString& path, const QString& name, const QString& datum,
                  const std::vector<int>& beforeShot) {
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    kopf.setName(name);
    kopf.setDatum(datum);
    QByteArray data;
    for (int n : beforeShot) {
        data += takeUpBytes(n);
    }
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, path, data).ok) << path.toStdString();
}

}  // namespace ostrevik::test
