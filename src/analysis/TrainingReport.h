#pragma once

#include <QColor>
#include <QFont>

#include "analysis/AnalysisSettings.h"
#include "analysis/TrainingSession.h"
#include "settings/DisplaySettings.h"

#include <QDate>
#include <QRectF>
#include <QString>

#include <functional>
#include <span>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace ostrevik {

// A page of its own after the sessions, painted into the page's content
// area (inside header and footer) by whoever adds it.
struct ReportPage {
    QString title;  // in the page header
    std::function<void(QPainter&, const QRectF& content)> paint;
};

// What the training report is made of.
struct ReportInput {
    QString userName;                           // the program's "Anwender"
    std::span<const TrainingSession> sessions;  // one or more; the report orders them by date
    DisplaySettings display = DisplaySettings::defaults();
    AnalysisSettings settings;
    QDate printedOn = QDate::currentDate();
    std::vector<ReportPage> extraPages;  // after the sessions and their comparison
};

struct ReportOutcome {
    bool ok = false;  // false when the device refused a page
    int pages = 0;
};

// The coach's handout, painted page by page onto any paged device (a PDF
// printer, a real printer): per session a header with the user, the
// document's name, date and text, the take-ups laid over each other at the
// shot with their mean and band, the document's statistics as the
// statistics dialog computes them, the metrics' means and intervals, the
// trend with its series and the table of every take-up with its tags; with
// several sessions, their comparison follows. Every page has a header with
// the user and "Seite n von m" and a footer with the program and the date.
// Laid out for A4 portrait; any page size works.
ReportOutcome paintTrainingReport(QPagedPaintDevice& device, const ReportInput& input);

// The reports' typeface at a size in points, as every printed page uses it.
QFont reportFont(double points, bool bold = false);

// The reports' colours beside black: muted text, the fill of a table's
// header row and that of every other row.
inline const QColor kReportGrey{0x60, 0x60, 0x60};
inline const QColor kReportHeaderFill{0xDD, 0xE3, 0xEA};
inline const QColor kReportStripe{0xF1, 0xF3, 0xF5};

// The widths of a table's columns across `width`, from the widths their
// weights give and the room each header's widest line needs: a header is
// never cut, so a column short of it takes the room from the columns with
// room to spare, in proportion to what they spare (their cells elide, a
// header cannot). When the headers need more than the width, the widths
// stand as given.
std::vector<double> tableColumnWidths(std::vector<double> widths, const std::vector<double>& needed,
                                      double width);

// Paints text wrapped into the width of r from y down (as far as it needs,
// whatever r's height); returns the y below it.
double paintParagraph(QPainter& p, const QRectF& r, double y, const QFont& font,
                      const QColor& color, const QString& text);

}  // namespace ostrevik
