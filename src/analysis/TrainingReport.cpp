#include "analysis/TrainingReport.h"

#include "analysis/OverlayPlot.h"
#include "analysis/SessionComparison.h"
#include "analysis/Trend.h"
#include "analysis/TrendPlot.h"
#include "common/NumberFormat.h"
#include "common/Texts.h"
#include "evaluation/Statistics.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <functional>
#include <numeric>

namespace ostrevik {
namespace {

// The report's texts, translated under the context "TrainingReport".
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(TrainingReport)
};

using PaintStep = std::function<void(QPainter&)>;

const QColor kRule(0x80, 0x80, 0x80);
const QColor kTagText(0xA0, 0x10, 0x20);

// Fonts and their line heights on the device.
struct Fonts {
    explicit Fonts(const QPaintDevice* device)
        : title(reportFont(15, true)),
          heading(reportFont(10.5, true)),
          body(reportFont(8.5)),
          bold(reportFont(8.5, true)),
          small(reportFont(7)),
          table(reportFont(7.2)),
          tableBold(reportFont(7.2, true)),
          plot(reportFont(7.5)),
          device_(device) {}

    double height(const QFont& f) const { return QFontMetricsF(f, device_).height(); }
    double width(const QFont& f, const QString& s) const {
        return QFontMetricsF(f, device_).horizontalAdvance(s);
    }
    // Height of a text wrapped at a width.
    double wrappedHeight(const QFont& f, double width, const QString& s) const {
        return QFontMetricsF(f, device_)
            .boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, s)
            .height();
    }

    QFont title, heading, body, bold, small, table, tableBold, plot;

private:
    const QPaintDevice* device_;
};

void drawText(QPainter& p, const QRectF& r, const QFont& f, const QColor& c, int flags,
              const QString& s) {
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, flags, s);
}

void drawRule(QPainter& p, double x1, double x2, double y, double width) {
    p.setPen(QPen(kRule, width));
    p.drawLine(QPointF(x1, y), QPointF(x2, y));
}

// The layout of the report: bands down each page's content area, each with
// the step that paints it. Laying out first gives the page count that every
// page's header names.
class Pages {
public:
    explicit Pages(const QRectF& content) : content_(content) { newPage(); }

    void newPage() {
        pages_.emplace_back();
        titles_.push_back(title_);
        y_ = content_.top();
        empty_ = true;
    }
    // The title in the header of this page and the following ones.
    void setTitle(const QString& title) {
        title_ = title;
        titles_.back() = title;
    }
    // A band across the content area; it goes onto a new page when this one
    // has no room left for it.
    QRectF band(double height) {
        if (!empty_ && !fits(height)) {
            newPage();
        }
        const QRectF r(content_.left(), y_, content_.width(), height);
        y_ += height;
        empty_ = false;
        return r;
    }
    bool fits(double height) const { return y_ + height <= content_.bottom() + 0.5; }
    void space(double height) {
        if (!empty_) {
            y_ = std::min(y_ + height, content_.bottom());
        }
    }
    void paint(PaintStep step) { pages_.back().push_back(std::move(step)); }

    const QRectF& content() const { return content_; }
    const std::vector<std::vector<PaintStep>>& all() const { return pages_; }
    const QString& title(size_t page) const { return titles_[page]; }

private:
    QRectF content_;
    QString title_;
    std::vector<QString> titles_;
    double y_ = 0.0;
    bool empty_ = true;
    std::vector<std::vector<PaintStep>> pages_;
};

struct Column {
    QString header;  // "\n" for a second line
    double weight = 1.0;
    Qt::Alignment align = Qt::AlignRight;
};

struct Row {
    QStringList cells;
    bool muted = false;   // grey: a take-up without a shot
    bool marked = false;  // the last cell in the tag colour
};

// A table's columns laid across a width.
}  // namespace

std::vector<double> tableColumnWidths(std::vector<double> widths, const std::vector<double>& needed,
                                      double width) {
    const double neededTotal = std::accumulate(needed.begin(), needed.end(), 0.0);
    if (needed.size() != widths.size() || neededTotal > width) {
        return widths;  // nothing to take from; the weights stand
    }
    double missing = 0;
    double spare = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        missing += std::max(0.0, needed[i] - widths[i]);
        spare += std::max(0.0, widths[i] - needed[i]);
    }
    if (missing <= 0) {
        return widths;
    }
    for (size_t i = 0; i < widths.size(); ++i) {
        if (widths[i] < needed[i]) {
            widths[i] = needed[i];
        } else {
            widths[i] -= (widths[i] - needed[i]) * missing / spare;
        }
    }
    return widths;
}

namespace {

class Table {
public:
    Table(std::vector<Column> columns, double left, double width, const Fonts& fonts)
        : columns_(std::move(columns)), fonts_(fonts) {
        const double total =
            std::accumulate(columns_.begin(), columns_.end(), 0.0,
                            [](double s, const Column& c) { return s + c.weight; });
        lineHeight_ = fonts.height(fonts.table);
        for (const Column& c : columns_) {
            w_.push_back(width * c.weight / total);
        }
        widenToHeaders(width);
        double x = left;
        for (const double w : w_) {
            x_.push_back(x);
            x += w;
        }
        int lines = 1;
        for (const Column& c : columns_) {
            lines = std::max(lines, static_cast<int>(c.header.count(QLatin1Char('\n'))) + 1);
        }
        headerHeight_ = lines * lineHeight_ + 0.5 * lineHeight_;
    }

    double headerHeight() const { return headerHeight_; }
    double rowHeight() const { return 1.3 * lineHeight_; }

    void paintHeader(QPainter& p, double y) const {
        const QRectF all(x_.front(), y, x_.back() + w_.back() - x_.front(), headerHeight_);
        p.fillRect(all, kReportHeaderFill);
        for (size_t i = 0; i < columns_.size(); ++i) {
            // Bottom-aligned, so that the units of headers of two and three
            // lines stand on one line.
            drawText(p, cell(i, y, headerHeight_ - 0.25 * lineHeight_), fonts_.tableBold, Qt::black,
                     static_cast<int>(columns_[i].align | Qt::AlignBottom), columns_[i].header);
        }
    }

    void paintRow(QPainter& p, double y, const Row& row, int index) const {
        const double h = rowHeight();
        if (index % 2 == 1) {
            p.fillRect(QRectF(x_.front(), y, x_.back() + w_.back() - x_.front(), h), kReportStripe);
        }
        const QFontMetricsF fm(fonts_.table, p.device());
        for (size_t i = 0; i < columns_.size() && i < static_cast<size_t>(row.cells.size()); ++i) {
            const QRectF r = cell(i, y, h);
            QColor c = row.muted ? kReportGrey : QColor(Qt::black);
            if (row.marked && i + 1 == columns_.size()) {
                c = kTagText;
            }
            drawText(
                p, r, fonts_.table, c, static_cast<int>(columns_[i].align | Qt::AlignVCenter),
                fm.elidedText(row.cells[static_cast<qsizetype>(i)], Qt::ElideRight, r.width()));
        }
    }

private:
    void widenToHeaders(double width) {
        const double pad = 2 * 0.3 * lineHeight_;
        std::vector<double> needed;
        for (const Column& c : columns_) {
            double widest = 0;
            for (const QString& line : c.header.split(QLatin1Char('\n'))) {
                widest = std::max(widest, fonts_.width(fonts_.tableBold, line));
            }
            needed.push_back(widest + pad);
        }
        w_ = tableColumnWidths(w_, needed, width);
    }

    QRectF cell(size_t i, double y, double h) const {
        const double pad = 0.3 * lineHeight_;
        return QRectF(x_[i] + pad, y, w_[i] - 2 * pad, h);
    }

    std::vector<Column> columns_;
    const Fonts& fonts_;
    std::vector<double> x_;
    std::vector<double> w_;
    double lineHeight_ = 0.0;
    double headerHeight_ = 0.0;
};

// A table that runs over as many pages as it needs, its header repeated on
// each.
void addTable(Pages& pages, const Fonts& fonts, std::vector<Column> columns,
              std::vector<Row> rows) {
    auto table = std::make_shared<Table>(std::move(columns), pages.content().left(),
                                         pages.content().width(), fonts);
    auto header = [&] {
        const QRectF r = pages.band(table->headerHeight());
        pages.paint([table, y = r.top()](QPainter& p) { table->paintHeader(p, y); });
    };
    if (!pages.fits(table->headerHeight() + 2 * table->rowHeight())) {
        pages.newPage();
    }
    header();
    auto shared = std::make_shared<std::vector<Row>>(std::move(rows));
    for (size_t i = 0; i < shared->size(); ++i) {
        if (!pages.fits(table->rowHeight())) {
            pages.newPage();
            header();
        }
        const QRectF r = pages.band(table->rowHeight());
        pages.paint([table, shared, i, y = r.top()](QPainter& p) {
            table->paintRow(p, y, (*shared)[i], static_cast<int>(i));
        });
    }
}

void addText(Pages& pages, const Fonts& fonts, const QFont& font, const QString& text,
             const QColor& color = Qt::black) {
    const QRectF r = pages.band(1.25 * fonts.height(font));
    pages.paint(
        [=](QPainter& p) { drawText(p, r, font, color, Qt::AlignLeft | Qt::AlignVCenter, text); });
}

// A heading keeps at least `following` of room below it on its page.
void addHeading(Pages& pages, const Fonts& fonts, const QString& text, double following) {
    const double h = 1.6 * fonts.height(fonts.heading);
    if (!pages.fits(h + following)) {
        pages.newPage();
    }
    const QRectF r = pages.band(h);
    pages.paint([=, &fonts](QPainter& p) {
        drawText(p, r, fonts.heading, Qt::black, Qt::AlignLeft | Qt::AlignBottom, text);
    });
}

// A paragraph that wraps across the content width.
void addParagraph(Pages& pages, const Fonts& fonts, const QFont& font, const QColor& color,
                  const QString& text) {
    const double height = fonts.wrappedHeight(font, pages.content().width(), text);
    const QRectF r = pages.band(height + 0.4 * fonts.height(font));
    pages.paint([=](QPainter& p) {
        drawText(p, r, font, color, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    });
}

QString interval(Metric m, const Summary& s) {
    if (!s.ci95Low() || !s.ci95High()) {
        return {};
    }
    return formatMetricValue(m, s.ci95Low()) + QStringLiteral(" – ") +
           formatMetricValue(m, s.ci95High());
}

QString figureText(KeyMetric m, const KeyFigure& f) {
    if (!f.mean) {
        return {};
    }
    QString s = formatKeyValue(m, f.mean);
    if (f.low && f.high) {
        s += QStringLiteral(" (") + formatKeyValue(m, f.low) + QStringLiteral("–") +
             formatKeyValue(m, f.high) + QLatin1Char(')');
    }
    return s;
}

struct SessionPart {
    const TrainingSession* session = nullptr;
    SessionAnalysis analysis;
    Trend trend;
    Statistik_t statistik;
};

double mm(const QPaintDevice& device) {
    return device.logicalDpiY() / 25.4;
}

void addSession(Pages& pages, const Fonts& fonts, const ReportInput& input, const SessionPart& part,
                double mmPx) {
    const TrainingSession& s = *part.session;
    const SessionAnalysis& a = part.analysis;
    const QRectF content = pages.content();
    const double bodyLine = 1.3 * fonts.height(fonts.body);
    const double tableLine = 1.3 * fonts.height(fonts.table);
    const QString name = s.Kopf.name();
    QStringList title{Tr::tr("Trainingsbericht")};
    for (const QString& part : {name.trimmed(), s.Kopf.datum().trimmed()}) {
        if (!part.isEmpty()) {
            title << part;
        }
    }
    pages.setTitle(title.join(QStringLiteral(" · ")));

    // Title and the document's header texts.
    {
        const QRectF r = pages.band(1.4 * fonts.height(fonts.title));
        pages.paint([=, &fonts](QPainter& p) {
            drawText(
                p, r, fonts.title, Qt::black, Qt::AlignLeft | Qt::AlignVCenter,
                name.isEmpty() ? Tr::tr("Trainingsbericht") : Tr::tr("Trainingsbericht: ") + name);
        });
    }
    const std::vector<std::pair<QString, QString>> fields = {{Tr::tr("Anwender:"), input.userName},
                                                             {Tr::tr("Name:"), s.Kopf.name()},
                                                             {Tr::tr("Datum:"), s.Kopf.datum()},
                                                             {Tr::tr("Text:"), s.Kopf.text()},
                                                             {Tr::tr("Datei:"), s.Dateiname}};
    for (const auto& field : fields) {
        const QString label = field.first;
        const QString value = field.second;
        const QRectF r = pages.band(bodyLine);
        pages.paint([=, &fonts](QPainter& p) {
            const double labelWidth = 20 * mmPx;
            drawText(p, QRectF(r.left(), r.top(), labelWidth, r.height()), fonts.bold, Qt::black,
                     Qt::AlignLeft | Qt::AlignVCenter, label);
            const QRectF v = r.adjusted(labelWidth, 0, 0, 0);
            p.setFont(fonts.body);
            drawText(
                p, v, fonts.body, Qt::black, Qt::AlignLeft | Qt::AlignVCenter,
                p.fontMetrics().elidedText(value, Qt::ElideMiddle, static_cast<int>(v.width())));
        });
    }
    pages.space(2 * mmPx);

    // The overlay.
    const double overlayHeight = 88 * mmPx;
    addHeading(pages, fonts, Tr::tr("Überlagerung am Schuss"), overlayHeight);
    addText(pages, fonts, fonts.body, overlayCaption(a));
    {
        const QRectF r = pages.band(overlayHeight);
        OverlayStyle style;
        style.display = input.display;
        pages.paint([r, &a, style, &fonts](QPainter& p) {
            p.setFont(fonts.plot);
            paintOverlay(p, r, a.overlay, style);
        });
    }
    addParagraph(pages, fonts, fonts.small, kReportGrey,
                 Tr::tr("Zeit 0 ist der Schuss. Dünn: jede Druckpunktnahme mit Schuss; "
                        "farbig: die neueste; schwarz: das Mittel mit einem Band von "
                        "± 1 Standardabweichung; gestrichelt: die mittlere Tonschwelle."));
    pages.space(2 * mmPx);

    // The statistics as the statistics dialog computes and words them: the
    // counts, then the three spans side by side.
    QStringList statistik = StatistikZeilen(part.statistik, QLocale(QLocale::German));
    if (statistik.size() > 2) {
        statistik = statistik.mid(2);  // file name and header are above
    }
    QStringList counts;
    std::vector<QStringList> spans;
    for (const QString& line : statistik) {
        if (line.isEmpty()) {
            spans.emplace_back();
        } else if (spans.empty()) {
            counts << line;
        } else {
            spans.back() << line.trimmed();
        }
    }
    // A span to which no take-up contributes keeps the dialog's start values
    // (min 50 s, max and mean 0 s); on paper they would read as times.
    const Statistik_t& st = part.statistik;
    const std::array<std::pair<int32_t, int32_t>, 3> extremes = {
        {{st.TonMin, st.TonMax}, {st.SchussMin, st.SchussMax}, {st.TonSchussMin, st.TonSchussMax}}};
    for (size_t i = 0; i < spans.size() && i < extremes.size(); ++i) {
        if (extremes[i].first == kStatistikMinStart && extremes[i].second == 0 &&
            !spans[i].isEmpty()) {
            spans[i] = QStringList{spans[i].front(), Tr::tr("keine Werte")};
        }
    }
    const double headingHeight = 1.6 * fonts.height(fonts.heading);
    const double spanColumn = content.width() / 3;
    double spanHeight = 0.0;
    for (const QStringList& span : spans) {
        double h = 0.0;
        for (qsizetype i = 0; i < span.size(); ++i) {
            h += i == 0 ? fonts.wrappedHeight(fonts.bold, spanColumn - 4 * mmPx, span[i]) +
                              0.3 * bodyLine
                        : bodyLine;
        }
        spanHeight = std::max(spanHeight, h);
    }
    {
        const double height = headingHeight + static_cast<double>(counts.size()) * bodyLine +
                              (spans.empty() ? 0.0 : 0.5 * bodyLine + spanHeight);
        const QRectF r = pages.band(height);
        pages.paint([=, &fonts](QPainter& p) {
            drawText(p, QRectF(r.left(), r.top(), r.width(), headingHeight), fonts.heading,
                     Qt::black, Qt::AlignLeft | Qt::AlignBottom, Tr::tr("Statistik"));
            double y = r.top() + headingHeight;
            for (const QString& line : counts) {
                drawText(p, QRectF(r.left(), y, r.width(), bodyLine), fonts.body, Qt::black,
                         Qt::AlignLeft | Qt::AlignVCenter, line);
                y += bodyLine;
            }
            y += 0.5 * bodyLine;
            for (size_t c = 0; c < spans.size(); ++c) {
                const double x = r.left() + static_cast<double>(c) * spanColumn;
                double yy = y;
                for (qsizetype i = 0; i < spans[c].size(); ++i) {
                    if (i == 0) {
                        const double h =
                            fonts.wrappedHeight(fonts.bold, spanColumn - 4 * mmPx, spans[c][i]);
                        drawText(p, QRectF(x, yy, spanColumn - 4 * mmPx, h), fonts.bold, Qt::black,
                                 Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, spans[c][i]);
                        yy += h + 0.3 * bodyLine;
                    } else {
                        drawText(p, QRectF(x + 4 * mmPx, yy, spanColumn - 8 * mmPx, bodyLine),
                                 fonts.body, Qt::black, Qt::AlignLeft | Qt::AlignVCenter,
                                 spans[c][i]);
                        yy += bodyLine;
                    }
                }
            }
        });
    }

    // The metrics of the analysis over the session.
    pages.space(2 * mmPx);
    std::vector<Row> kennwerte;
    for (Metric m : kMetrics) {
        const Summary sum = summarizeMetric(a, m);
        kennwerte.push_back(
            {{metricHeader(m), QString::number(sum.count), formatMetricValue(m, sum.mean),
              formatMetricValue(m, sum.sd), interval(m, sum)}});
    }
    addHeading(pages, fonts, Tr::tr("Kennwerte"), 12 * tableLine);
    addTable(pages, fonts,
             {{Tr::tr("Kennwert"), 3.2, Qt::AlignLeft},
              {Tr::tr("Werte"), 0.8},
              {Tr::tr("Mittel"), 1.0},
              {Tr::tr("Standardabw."), 1.3},
              {Tr::tr("95-%-Intervall des Mittels"), 2.4}},
             std::move(kennwerte));
    int withShot = 0;
    std::array<int, kTags.size()> tagCounts{};
    for (const TakeUpMetrics& row : a.rows) {
        withShot += row.hasShot() ? 1 : 0;
        for (size_t t = 0; t < kTags.size(); ++t) {
            tagCounts[t] += row.has(kTags[t]) ? 1 : 0;
        }
    }
    QStringList tagTexts;
    for (size_t t = 0; t < kTags.size(); ++t) {
        tagTexts << QStringLiteral("%1 %2").arg(tagName(kTags[t])).arg(tagCounts[t]);
    }
    pages.space(0.3 * tableLine);
    addText(pages, fonts, fonts.body,
            Tr::tr("Markiert: %1 (von %2 Druckpunktnahmen mit Schuss)")
                .arg(tagTexts.join(QStringLiteral(", ")))
                .arg(withShot));
    pages.space(3 * mmPx);

    // The trend over the session and its series.
    const Trend& t = part.trend;
    const double trendHeight = 72 * mmPx;
    addHeading(pages, fonts, Tr::tr("Verlauf: ") + metricCaption(t.metric), trendHeight);
    addParagraph(pages, fonts, fonts.body, Qt::black,
                 Tr::tr("Je Druckpunktnahme ein Punkt; je Serie zu %1 Druckpunktnahmen "
                        "das Mittel als Linie mit einem Band von ± 1 "
                        "Standardabweichung.")
                     .arg(t.seriesLength));
    {
        const QRectF r = pages.band(trendHeight);
        const DisplaySettings display = input.display;
        pages.paint([r, &t, display, &fonts](QPainter& p) {
            p.setFont(fonts.plot);
            paintTrend(p, r, t, display);
        });
    }
    pages.space(3 * mmPx);
    const QString unit = QStringLiteral(" (") + metricUnit(t.metric) + QLatin1Char(')');
    std::vector<Row> series;
    for (const SeriesSummary& ss : t.series) {
        series.push_back(
            {{QString::number(ss.number),
              QStringLiteral("%1–%2").arg(ss.firstRow + 1).arg(ss.firstRow + ss.rowCount),
              QString::number(ss.values.count), formatMetricValue(t.metric, ss.values.mean),
              formatMetricValue(t.metric, ss.values.sd), interval(t.metric, ss.values)}});
    }
    addHeading(pages, fonts, Tr::tr("Serien"), 4 * tableLine);
    addTable(pages, fonts,
             {{Tr::tr("Serie"), 0.8, Qt::AlignLeft},
              {Tr::tr("Druckpunktnahmen"), 1.6, Qt::AlignLeft},
              {Tr::tr("Werte"), 0.8},
              {Tr::tr("Mittel") + unit, 1.4},
              {Tr::tr("Standardabw.") + unit, 1.6},
              {Tr::tr("95-%-Intervall") + unit, 2.0}},
             std::move(series));
    pages.space(3 * mmPx);

    // Every take-up.
    std::vector<Row> takeUps;
    for (const TakeUpMetrics& row : a.rows) {
        Row r;
        r.cells << QString::number(row.number());
        for (Metric m : kMetrics) {
            r.cells << formatMetricValue(m, row.value(m));
        }
        const QString tags = row.tagsText();
        r.cells << (row.hasShot() ? tags : Tr::tr("ohne Schuss"));
        r.muted = !row.hasShot();
        r.marked = !tags.isEmpty();
        takeUps.push_back(std::move(r));
    }
    addHeading(pages, fonts, Tr::tr("Einzelwerte"), 8 * tableLine);
    const QLocale de(QLocale::German);
    addParagraph(pages, fonts, fonts.small, kReportGrey,
                 Tr::tr("Zucken: Anstieg in den letzten 0,2 s vor dem Schuss über %1 "
                        "%-Punkte. Nachlassen: Halt 160 ms nach dem Schuss unter %2 % des "
                        "Drucks beim Schuss. Unruhig: Abweichung vom mittleren Verlauf "
                        "über dem Mittel der Trainingseinheit + %3 Standardabweichungen.")
                     .arg(formatGeneral(a.settings.zuckenAnstieg, de),
                          formatGeneral(a.settings.nachlassenHalt, de),
                          formatGeneral(a.settings.unruhigSd, de)));
    if (takeUps.empty()) {
        addText(pages, fonts, fonts.body, Tr::tr("Keine Druckpunktnahme"));
        return;
    }
    addTable(pages, fonts,
             {{Tr::tr("Nr"), 0.7, Qt::AlignLeft},
              {Tr::tr("Dauer\nms"), 1.0},
              {Tr::tr("bis\nTon\nms"), 1.0},
              {Tr::tr("bis\nSchuss\nms"), 1.0},
              {Tr::tr("Ton bis\nSchuss\nms"), 1.1},
              {Tr::tr("Druck\nSchuss\n%"), 1.0},
              {Tr::tr("Spitzen-\ndruck\n%"), 1.1},
              {Tr::tr("Anstieg\n0,2 s\n%-Pkt."), 1.1},
              {Tr::tr("Halt\n160 ms\n%"), 1.0},
              {Tr::tr("Halt\n500 ms\n%"), 1.0},
              {Tr::tr("Abwei-\nchung\n%-Pkt."), 1.1},
              {Tr::tr("Merkmale"), 2.9, Qt::AlignLeft}},
             std::move(takeUps));
}

void addComparison(Pages& pages, const Fonts& fonts, const SessionComparison& c, double mmPx) {
    pages.newPage();
    pages.setTitle(Tr::tr("Vergleich der Trainingseinheiten"));
    {
        const QRectF r = pages.band(1.4 * fonts.height(fonts.title));
        pages.paint([=, &fonts](QPainter& p) {
            drawText(p, r, fonts.title, Qt::black, Qt::AlignLeft | Qt::AlignVCenter,
                     Tr::tr("Vergleich der Trainingseinheiten"));
        });
    }
    addText(pages, fonts, fonts.body,
            Tr::tr("%1 Trainingseinheiten, nach Datum geordnet").arg(c.sessions.size()));
    pages.space(2 * mmPx);

    std::vector<Row> list;
    for (const ComparedSession& s : c.sessions) {
        list.push_back({{QString::number(s.number), s.datum, s.name, s.text,
                         QString::number(s.takeUps), QString::number(s.withShot),
                         QString::number(s.tagged), QFileInfo(s.dateiname).fileName()}});
    }
    addTable(pages, fonts,
             {{Tr::tr("Nr"), 0.5, Qt::AlignLeft},
              {Tr::tr("Datum"), 1.2, Qt::AlignLeft},
              {Tr::tr("Name"), 1.8, Qt::AlignLeft},
              {Tr::tr("Text"), 3.0, Qt::AlignLeft},
              {Tr::tr("Druckpunkt-\nnahmen"), 1.2},
              {Tr::tr("mit\nSchuss"), 0.8},
              {Tr::tr("mar-\nkiert"), 0.7},
              {Tr::tr("Datei"), 2.0, Qt::AlignLeft}},
             std::move(list));
    pages.space(3 * mmPx);

    const double curvesHeight = 80 * mmPx;
    addHeading(pages, fonts, Tr::tr("Mittlerer Verlauf am Schuss"), curvesHeight);
    {
        const QRectF r = pages.band(curvesHeight);
        pages.paint([r, &c, &fonts](QPainter& p) {
            p.setFont(fonts.plot);
            paintSessionCurves(p, r, c);
        });
    }
    pages.space(3 * mmPx);

    std::vector<Row> figures;
    for (const ComparedSession& s : c.sessions) {
        Row r;
        r.cells << QString::number(s.number) << s.datum;
        for (KeyMetric m : kKeyMetrics) {
            r.cells << figureText(m, s.figure(m));
        }
        figures.push_back(std::move(r));
    }
    addHeading(pages, fonts, Tr::tr("Kennwerte: Mittel (95-%-Intervall)"),
               6 * fonts.height(fonts.table));
    addTable(pages, fonts,
             {{Tr::tr("Nr"), 0.5, Qt::AlignLeft},
              {Tr::tr("Datum"), 1.2, Qt::AlignLeft},
              {Tr::tr("Zeit bis Schuss\nms"), 2.0},
              {Tr::tr("Anstieg 0,2 s\n%-Punkte"), 1.8},
              {Tr::tr("Halt 160 ms\n%"), 1.8},
              {Tr::tr("Abweichung\n%-Punkte"), 1.8},
              {Tr::tr("Markiert\n%"), 1.8}},
             std::move(figures));

    // The charts, two side by side, with the reading aid in the last cell.
    pages.newPage();
    addHeading(pages, fonts, Tr::tr("Kennwerte je Trainingseinheit"), 0.0);
    const QRectF content = pages.content();
    const double gap = 6 * mmPx;
    const double cellWidth = (content.width() - gap) / 2;
    const double cellHeight = 70 * mmPx;
    for (size_t i = 0; i < kKeyMetrics.size() + 1; i += 2) {
        const QRectF row = pages.band(cellHeight + gap);
        for (size_t j = i; j < i + 2; ++j) {
            const QRectF cell(row.left() + static_cast<double>(j - i) * (cellWidth + gap),
                              row.top(), cellWidth, cellHeight);
            if (j < kKeyMetrics.size()) {
                const KeyMetric m = kKeyMetrics[j];
                pages.paint([cell, &c, m, &fonts](QPainter& p) {
                    p.setFont(fonts.plot);
                    paintKeyMetric(p, cell, c, m);
                });
            } else {
                pages.paint([cell, &fonts](QPainter& p) {
                    const double pad = fonts.height(fonts.body);
                    drawText(p, cell.adjusted(pad, 2 * pad, -pad, -pad), fonts.body, kReportGrey,
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                             keyMetricsExplanation());
                });
            }
        }
    }
}

// Header and footer of page n of m.
void paintFrame(QPainter& p, const QRectF& page, const QRectF& content, const Fonts& fonts,
                const QString& userName, const QString& title, const QDate& printedOn, int n, int m,
                double mmPx) {
    const double h = fonts.height(fonts.body);
    const QRectF top(content.left(), page.top() + 12 * mmPx, content.width(), h);
    drawText(p, top, fonts.bold, Qt::black, Qt::AlignLeft | Qt::AlignVCenter, userName);
    drawText(p, top, fonts.body, Qt::black, Qt::AlignHCenter | Qt::AlignVCenter, title);
    drawText(p, top, fonts.body, Qt::black, Qt::AlignRight | Qt::AlignVCenter,
             Tr::tr("Seite %1 von %2").arg(n).arg(m));
    drawRule(p, content.left(), content.right(), top.bottom() + 0.35 * h, 0.3 * mmPx);

    const QRectF bottom(content.left(), page.bottom() - 12 * mmPx - h, content.width(), h);
    drawRule(p, content.left(), content.right(), bottom.top() - 0.35 * h, 0.3 * mmPx);
    drawText(p, bottom, fonts.small, kRule, Qt::AlignLeft | Qt::AlignVCenter, Texts::kDruckFuss);
    drawText(p, bottom, fonts.small, kRule, Qt::AlignRight | Qt::AlignVCenter,
             QLocale(QLocale::German).toString(printedOn, QStringLiteral("dd.MM.yyyy")));
}

}  // namespace

ReportOutcome paintTrainingReport(QPagedPaintDevice& device, const ReportInput& input) {
    ReportOutcome outcome;
    const double mmPx = mm(device);
    const QRectF page(0, 0, device.width(), device.height());
    const Fonts fonts(&device);
    const double h = fonts.height(fonts.body);
    const QRectF content =
        page.adjusted(18 * mmPx, 12 * mmPx + 2.2 * h, -18 * mmPx, -(12 * mmPx + 2.2 * h));

    // Sessions in the order of their dates, each analysed once for its own
    // pages and the comparison.
    std::vector<SessionPart> parts;
    parts.reserve(input.sessions.size());
    std::vector<SessionAnalysis> analyses;
    analyses.reserve(input.sessions.size());
    for (const TrainingSession& s : input.sessions) {
        analyses.push_back(analyseSession(s, input.display.secondsBeforeShot, input.settings));
    }
    for (size_t i : chronologicalOrder(input.sessions)) {
        const TrainingSession& s = input.sessions[i];
        SessionPart part;
        part.session = &s;
        part.analysis = analyses[i];
        part.trend =
            computeTrend(part.analysis, input.settings.trendMetric, input.settings.seriesLength);
        part.statistik = StatistikBerechnen(s.Dateiname, s.Kopf, *s.Liste);
        parts.push_back(std::move(part));
    }
    const SessionComparison comparison = compareSessions(input.sessions, analyses);

    Pages pages(content);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            pages.newPage();
        }
        addSession(pages, fonts, input, parts[i], mmPx);
    }
    if (parts.size() > 1) {
        addComparison(pages, fonts, comparison, mmPx);
    }
    for (size_t i = 0; i < input.extraPages.size(); ++i) {
        if (!parts.empty() || i > 0) {
            pages.newPage();
        }
        const ReportPage& extra = input.extraPages[i];
        pages.setTitle(extra.title);
        const QRectF r = pages.band(content.height());
        pages.paint([r, &extra](QPainter& p) { extra.paint(p, r); });
    }

    QPainter p;
    if (!p.begin(&device)) {
        return outcome;
    }
    const auto& all = pages.all();
    const int count = static_cast<int>(all.size());
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        if (i > 0 && !device.newPage()) {
            ok = false;
            break;
        }
        paintFrame(p, page, content, fonts, input.userName, pages.title(static_cast<size_t>(i)),
                   input.printedOn, i + 1, count, mmPx);
        for (const PaintStep& step : all[static_cast<size_t>(i)]) {
            p.save();
            step(p);
            p.restore();
        }
        ++outcome.pages;
    }
    ok = p.end() && ok;
    outcome.ok = ok;
    return outcome;
}

QFont reportFont(double points, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

double paintParagraph(QPainter& p, const QRectF& r, double y, const QFont& font,
                      const QColor& color, const QString& text) {
    p.setFont(font);
    p.setPen(color);
    const QRectF box = QFontMetricsF(font, p.device())
                           .boundingRect(QRectF(r.left(), y, r.width(), 1e9),
                                         Qt::TextWordWrap | Qt::AlignLeft, text);
    p.drawText(QRectF(r.left(), y, r.width(), box.height()),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return y + box.height();
}

}  // namespace ostrevik
