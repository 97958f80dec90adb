#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace ostrevik {

// Reads the date a user typed into a document's header ("Datum", at most ten
// characters) in the German short forms "dd.mm.yy" and "dd.mm.yyyy" (one
// digit for day and month is accepted too). A two-digit year is taken in this
// century unless that lies more than a year in the future of `today`, then in
// the last one. Anything else, or a day that does not exist, gives none.
std::optional<QDate> parseHeaderDate(const QString& text,
                                     const QDate& today = QDate::currentDate());

}  // namespace ostrevik
