#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrevik::test {

// Reading printed PDF files back with poppler-utils.

// Number of pages (pdfinfo); -1 when the file cannot be read.
int pdfSeiten(const QString& path);

// The text of one page (1-based) or of all pages (0), laid out as printed.
QString pdfText(const QString& path, int seite = 0);

// One word with its box in PDF points, origin top-left of the page.
struct PdfWort {
    int seite = 0;  // 1-based
    QString text;
    QRectF box;
};
std::vector<PdfWort> pdfWoerter(const QString& path);

}  // namespace ostrevik::test
