#pragma once

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <vector>

namespace ostrevik::test {

// A take-up of a measurement file: the threshold 100, `beforeShot` samples
// of 120, the shot, then 30 samples of 110 (Schuss_ms = 20 x beforeShot).
QByteArray takeUpBytes(int beforeShot);

// Writes a measurement file with one take-up per entry of `beforeShot`.
void writeSession(const QString& path, const QString& name, const QString& datum,
                  std::initializer_list<int> beforeShot);
void writeSession(const QString& path, const QString& name, const QString& datum,
                  const std::vector<int>& beforeShot);

}  // namespace ostrevik::test
