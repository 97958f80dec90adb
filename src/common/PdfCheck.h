#pragma once

#include <QByteArray>
#include <QString>

namespace ostrevik {

// Whether a PDF file arrived whole: it begins as a PDF, ends with its
// end-of-file mark after the position of its cross-reference table, and every
// object the table lists begins where the table says. A file cut short, or
// one that lost a piece in the middle, fails. Empty when complete, otherwise
// why not.
QString pdfIncompleteReason(const QByteArray& pdf);

}  // namespace ostrevik
