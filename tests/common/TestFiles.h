#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>

namespace ostrevik::test {

// Whole file contents, or an empty array when the file cannot be read.
QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);
QByteArray bytes(std::initializer_list<int> values);
// "01 00 00 00 ..." for readable failure messages.
QString hex(const QByteArray& bytes);

}  // namespace ostrevik::test
