#pragma once

#include <QByteArray>
#include <QString>

namespace ostrevik {

// Texts in measurement and configuration files are 8-bit Windows-1252, the
// character set the files have always been written in; inside the program
// everything is Unicode. Characters that Windows-1252 cannot hold become '?'.
QString fromCp1252(const char* data, qsizetype size);
QString fromCp1252(const QByteArray& bytes);
QByteArray toCp1252(const QString& text);

// Reads a zero-terminated text from a fixed-size field. The text ends at the
// first zero or at the end of the field, whichever comes first, so a damaged
// field without its zero is never read past its end.
QString fromCp1252Field(const char* field, qsizetype fieldSize);

// Writes text into a fixed-size field: at most maxChars characters, then one
// terminating zero. Bytes after the zero keep what they held (they carry no
// meaning, and files written by other programs may have anything there).
void toCp1252Field(const QString& text, char* field, qsizetype fieldSize, qsizetype maxChars);

}  // namespace ostrevik
