#include "scores/ScoreFile.h"
#include "common/Texts.h"

#include "analysis/TakeUpScore.h"
#include "common/Cp1252.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Ostrevik", text);
}

// Lines searched for the header: club software may put the club, the shooter
// and the discipline above it.
constexpr int kHeaderSearchLines = 20;

const QChar kSeparators[] = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};

struct DecodedText {
    QString text;
    QString encoding;
};

DecodedText decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return {QString::fromUtf8(bytes.mid(3)), QStringLiteral("UTF-8")};
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        return {utf16.decode(bytes.mid(2)), QStringLiteral("UTF-16")};
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return {text, QStringLiteral("UTF-8")};
    }
    // Not valid UTF-8: what Windows programs write, Windows-1252.
    return {fromCp1252(bytes), QStringLiteral("Windows-1252")};
}

QStringList splitLines(const QString& text) {
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = unified.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();  // the end of the last line is no line of its own
    }
    return lines;
}

// Fields of a line; a field in double quotes may hold the separator (a
// decimal comma in a comma-separated file) and "" for a quote.
QStringList splitFields(const QString& line, QChar separator) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
        } else if (!separator.isNull() && c == separator) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

// A header name reduced to what tells the column: lower case, without units
// in brackets, dots, hyphens, slashes and spaces ("Schuss-Nr." and
// "X [mm]" become "schussnr" and "x").
QString headerKey(const QString& name) {
    QString key;
    int depth = 0;
    for (const QChar c : name.toLower()) {
        if (c == QLatin1Char('(') || c == QLatin1Char('[')) {
            ++depth;
        } else if (c == QLatin1Char(')') || c == QLatin1Char(']')) {
            depth = std::max(depth - 1, 0);
        } else if (depth == 0 && (c.isLetterOrNumber() || c == QLatin1Char('#'))) {
            key += c;
        }
    }
    return key;
}

bool keyIn(const QString& key, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](const char* n) { return key == QLatin1String(n); });
}

bool isNumberKey(const QString& k) {
    return keyIn(k, {"nr", "nummer", "no", "#", "schuss", "schussnr", "schussnummer", "lfdnr",
                     "shot", "shotno", "shotnr", "shotnumber"});
}

// Names that say the ring is given in tenths come first; "Teiler" (the
// distance from the centre) is no ring.
bool isDecimalRingKey(const QString& k) {
    return keyIn(k, {"zehntel", "zehntelwertung", "zehntelring", "zehntelringe", "ringzehntel",
                     "dezimal", "dezimalwertung", "decimal", "decimalscore"});
}

bool isRingKey(const QString& k) {
    return keyIn(k, {"ring", "ringe", "ringwert", "wertung", "score"});
}

bool isXKey(const QString& k) {
    return keyIn(k, {"x", "xmm", "xkoordinate", "xposition", "xpos", "xwert"});
}

bool isYKey(const QString& k) {
    return keyIn(k, {"y", "ymm", "ykoordinate", "yposition", "ypos", "ywert"});
}

bool isTimeKey(const QString& k) {
    return keyIn(k, {"zeit", "uhrzeit", "schusszeit", "zeitpunkt", "datumzeit", "time", "shottime",
                     "datetime", "timestamp"});
}

// A column that marks sighters by a yes, and one that names the kind of shot.
bool isSighterFlagKey(const QString& k) {
    return keyIn(k, {"probe", "probeschuss", "sighter", "sighting"});
}

bool isKindKey(const QString& k) {
    return keyIn(k, {"art", "typ", "type", "schussart", "kind"});
}

bool showsTenths(const QString& field) {
    const auto v = readDecimal(field);
    return v && std::fabs(*v - std::round(*v)) > 1e-9;
}

// The columns a header names. Of several ring columns the one whose name
// says tenths wins, then the first whose values have tenths (a whole ring
// beside the decimal one is common), then the first.
ScoreColumns recogniseColumns(const QStringList& header, const std::vector<QStringList>& data) {
    ScoreColumns c;
    std::vector<int> decimalRings;
    std::vector<int> rings;
    for (int i = 0; i < header.size(); ++i) {
        const QString k = headerKey(header[i]);
        auto take = [&](int& column) {
            if (column < 0) {
                column = i;
            }
        };
        if (isNumberKey(k)) {
            take(c.number);
        } else if (isDecimalRingKey(k)) {
            decimalRings.push_back(i);
        } else if (isRingKey(k)) {
            rings.push_back(i);
        } else if (isXKey(k)) {
            take(c.x);
        } else if (isYKey(k)) {
            take(c.y);
        } else if (isTimeKey(k)) {
            take(c.time);
        }
    }
    if (!decimalRings.empty()) {
        c.ring = decimalRings.front();
        return c;
    }
    for (int column : rings) {
        const bool tenths = std::any_of(data.begin(), data.end(), [&](const QStringList& f) {
            return column < f.size() && showsTenths(f[column]);
        });
        if (tenths) {
            c.ring = column;
            return c;
        }
    }
    if (!rings.empty()) {
        c.ring = rings.front();
    }
    return c;
}

bool startsWithWord(const QString& field, const char* word, bool compounds) {
    const QLatin1String w(word);
    if (!field.startsWith(w, Qt::CaseInsensitive)) {
        return false;
    }
    return compounds || field.size() == w.size() || !field[w.size()].isLetter();
}

bool isTotalField(const QString& f) {
    return startsWithWord(f, "summe", true) || startsWithWord(f, "gesamt", true) ||
           startsWithWord(f, "zwischensumme", true) || startsWithWord(f, "total", false) ||
           startsWithWord(f, "sum", false);
}

bool isSighterWord(const QString& f) {
    return startsWithWord(f, "probe", true) || startsWithWord(f, "sighter", true) ||
           startsWithWord(f, "sighting", true);
}

// "P", "P3", "P 12": a sighter's number.
bool isSighterNumber(const QString& f) {
    if (f.isEmpty() || f[0].toUpper() != QLatin1Char('P')) {
        return false;
    }
    const QString rest = f.mid(1).trimmed();
    return std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isDigit(); });
}

bool isYes(const QString& f) {
    return keyIn(f.toLower(), {"1", "ja", "j", "x", "yes", "y", "true", "wahr", "p"});
}

std::optional<int> readShotNumber(QString text) {
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);  // "12." as some lists write it
    }
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

std::optional<QTime> readClock(const QString& text) {
    // A date may come first ("12.03.2024 10:15:02"); the time of day is last.
    const QString last =
        text.section(QLatin1Char(' '), -1).replace(QLatin1Char(','), QLatin1Char('.'));
    for (const char* format : {"H:mm:ss.zzz", "H:mm:ss.z", "H:mm:ss", "H:mm"}) {
        const QTime t = QTime::fromString(last, QLatin1String(format));
        if (t.isValid()) {
            return t;
        }
    }
    return std::nullopt;
}

QChar guessSeparator(const QString& line) {
    for (QChar s : kSeparators) {
        if (splitFields(line, s).size() > 1) {
            return s;
        }
    }
    return {};
}

struct Layout {
    QChar separator;
    int headerLine = -1;
    QStringList header;
    ScoreColumns columns;
    bool columnsKnown = false;
};

std::vector<QStringList> splitSome(const QStringList& lines, int from, int count, QChar separator) {
    std::vector<QStringList> rows;
    for (int i = std::max(from, 0); i < lines.size() && static_cast<int>(rows.size()) < count;
         ++i) {
        if (!lines[i].trimmed().isEmpty()) {
            rows.push_back(splitFields(lines[i], separator));
        }
    }
    return rows;
}

// Finds the header line and the separator together: the first line that,
// split by one of the separators, names a ring column.
Layout findLayout(const QStringList& lines, const ScoreFileOptions& options) {
    Layout layout;
    if (options.columns) {
        layout.columns = *options.columns;
        layout.columnsKnown = layout.columns.ring >= 0;
        layout.headerLine = options.headerLine < lines.size() ? options.headerLine : -1;
        if (options.separator) {
            layout.separator = *options.separator;
        } else {
            const auto first =
                std::find_if(lines.begin() + std::max(layout.headerLine, 0), lines.end(),
                             [](const QString& l) { return !l.trimmed().isEmpty(); });
            layout.separator = first != lines.end() ? guessSeparator(*first) : QChar();
        }
        if (layout.headerLine >= 0) {
            layout.header = splitFields(lines[layout.headerLine], layout.separator);
        }
        return layout;
    }
    std::vector<QChar> separators(std::begin(kSeparators), std::end(kSeparators));
    if (options.separator) {
        separators = {*options.separator};
    }
    int searched = 0;
    for (int i = 0; i < lines.size() && searched < kHeaderSearchLines; ++i) {
        if (lines[i].trimmed().isEmpty()) {
            continue;
        }
        ++searched;
        for (QChar s : separators) {
            const QStringList header = splitFields(lines[i], s);
            if (header.size() < 2 && separators.size() > 1 && s != separators.back()) {
                continue;  // another separator may split it
            }
            const ScoreColumns c = recogniseColumns(header, splitSome(lines, i + 1, 20, s));
            if (c.ring >= 0) {
                layout.separator = header.size() > 1 ? s : QChar();
                layout.headerLine = i;
                layout.header = header;
                layout.columns = c;
                layout.columnsKnown = true;
                return layout;
            }
        }
    }
    // Not recognised: split by a guess, for the mapping dialog's preview.
    const auto first = std::find_if(lines.begin(), lines.end(),
                                    [](const QString& l) { return !l.trimmed().isEmpty(); });
    layout.separator = options.separator      ? *options.separator
                       : first != lines.end() ? guessSeparator(*first)
                                              : QChar();
    return layout;
}

QString field(const QStringList& fields, int column) {
    return column >= 0 && column < fields.size() ? fields[column] : QString();
}

}  // namespace

int ScoreFile::skippedTotal() const {
    int total = 0;
    for (int n : skipped) {
        total += n;
    }
    return total;
}

std::optional<double> readDecimal(const QString& text) {
    QString t = text.trimmed();
    t.replace(QChar(0x2212), QLatin1Char('-'));
    if (t.contains(QLatin1Char(',')) && t.contains(QLatin1Char('.'))) {
        return std::nullopt;
    }
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    // Digits, one point and a leading sign only: no exponents, "inf" or "nan".
    int points = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('.')) {
            ++points;
        } else if (!(c.isDigit() && c.unicode() < 0x80) &&
                   !(i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')))) {
            return std::nullopt;
        }
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || points > 1 || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

ScoreFile readScoreText(const QByteArray& bytes, const ScoreFileOptions& options) {
    ScoreFile file;
    const DecodedText decoded = decode(bytes);
    file.encoding = decoded.encoding;
    const QStringList lines = splitLines(decoded.text);

    const Layout layout = findLayout(lines, options);
    file.separator = layout.separator;
    file.headerLine = layout.headerLine;
    file.header = layout.header;
    file.columns = layout.columns;
    file.columnsKnown = layout.columnsKnown;
    // The first lines as they are, blank ones too, so that a line's place
    // in the preview is its index in the file.
    for (int i = 0; i < lines.size() && i < kScorePreviewLines; ++i) {
        file.preview.push_back(splitFields(lines[i], layout.separator));
    }
    if (!file.columnsKnown) {
        return file;
    }

    const ScoreColumns& c = file.columns;
    std::vector<int> sighterFlags;
    std::vector<int> kinds;
    for (int i = 0; i < file.header.size(); ++i) {
        const QString k = headerKey(file.header[i]);
        if (isSighterFlagKey(k)) {
            sighterFlags.push_back(i);
        } else if (isKindKey(k)) {
            kinds.push_back(i);
        }
    }
    // With commas between the fields, an unquoted decimal comma splits a
    // number in two ("1,9,8"): such a line has more fields than the header
    // and is refused rather than read as ring 9.
    const bool commaSplitsNumbers = file.separator == QLatin1Char(',') && !file.header.isEmpty();

    auto skip = [&](SkippedLine kind) { ++file.skipped[static_cast<size_t>(kind)]; };
    int lastNumber = 0;
    bool everyNumberGiven = c.number >= 0;
    for (int i = std::max(file.headerLine + 1, 0); i < lines.size(); ++i) {
        const QStringList f = splitFields(lines[i], file.separator);
        if (std::all_of(f.begin(), f.end(), [](const QString& s) { return s.isEmpty(); })) {
            skip(SkippedLine::Blank);
            continue;
        }
        if (std::any_of(f.begin(), f.end(), isTotalField)) {
            skip(SkippedLine::Total);
            continue;
        }
        const bool sighter =
            std::any_of(f.begin(), f.end(), isSighterWord) || isSighterNumber(field(f, c.number)) ||
            std::any_of(sighterFlags.begin(), sighterFlags.end(),
                        [&](int col) { return isYes(field(f, col)); }) ||
            std::any_of(kinds.begin(), kinds.end(), [&](int col) {
                return field(f, col).compare(QLatin1String("P"), Qt::CaseInsensitive) == 0;
            });
        if (sighter) {
            skip(SkippedLine::Sighter);
            continue;
        }
        if (commaSplitsNumbers && f.size() > file.header.size() &&
            std::any_of(f.begin() + file.header.size(), f.end(),
                        [](const QString& s) { return !s.isEmpty(); })) {
            skip(SkippedLine::Unreadable);
            continue;
        }
        const QString numberText = field(f, c.number);
        std::optional<int> number;
        if (!numberText.isEmpty()) {
            number = readShotNumber(numberText);
            if (!number) {
                skip(SkippedLine::Unreadable);
                continue;
            }
        }
        const QString ringField = field(f, c.ring);
        const std::optional<double> ring = readDecimal(ringField);
        if (!ring) {
            skip(SkippedLine::Unreadable);
            continue;
        }
        if (*ring < 0.0 || *ring > kHighestRing + 1e-9) {
            skip(SkippedLine::OutOfRange);
            continue;
        }
        if (ringField.contains(QLatin1Char(','))) {
            file.decimalComma = true;
        }
        everyNumberGiven = everyNumberGiven && number.has_value();
        ScoreShot shot;
        shot.line = i + 1;
        shot.number = number.value_or(lastNumber + 1);
        lastNumber = shot.number;
        shot.ring = *ring;
        shot.x = readDecimal(field(f, c.x));
        shot.y = readDecimal(field(f, c.y));
        shot.time = field(f, c.time);
        if (!shot.time.isEmpty()) {
            shot.clock = readClock(shot.time);
        }
        file.shots.push_back(shot);
    }

    // Some lists put the newest shot at the top; the matching needs them in
    // the order they were fired.
    const auto falling = [](const ScoreShot& a, const ScoreShot& b) { return a.number > b.number; };
    if (everyNumberGiven && file.shots.size() > 1 &&
        std::adjacent_find(file.shots.begin(), file.shots.end(),
                           [&](const ScoreShot& a, const ScoreShot& b) {
                               return !falling(a, b);
                           }) == file.shots.end()) {
        std::reverse(file.shots.begin(), file.shots.end());
        file.newestFirst = true;
    }
    return file;
}

ScoreFile readScoreFile(const QString& path, const ScoreFileOptions& options) {
    ScoreFile file;
    const QFileInfo info(path);
    if (!info.exists()) {
        file.error = Texts::FileNotFound(path);
        return file;
    }
    if (info.isFile() && info.size() > kMaxScoreFileSize) {
        file.error = tr("Die Datei %1 ist zu groß für eine Liste von Schüssen.").arg(path);
        return file;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        file.error = tr("Die Datei %1 kann nicht gelesen werden: %2").arg(path, f.errorString());
        return file;
    }
    // Read no more than the limit, whatever the file grew to meanwhile (or a
    // device that never ends).
    const QByteArray bytes = f.read(kMaxScoreFileSize + 1);
    if (bytes.size() > kMaxScoreFileSize) {
        file.error = tr("Die Datei %1 ist zu groß für eine Liste von Schüssen.").arg(path);
        return file;
    }
    if (f.error() != QFileDevice::NoError) {
        file.error = tr("Die Datei %1 kann nicht gelesen werden: %2").arg(path, f.errorString());
        return file;
    }
    return readScoreText(bytes, options);
}

QString skippedLinesText(const ScoreFile& file) {
    struct Words {
        SkippedLine kind;
        const char* one;
        const char* many;
    };
    static const Words kWords[] = {
        {SkippedLine::Sighter, QT_TRANSLATE_NOOP("Ostrevik", "%1 Probeschuss"),
         QT_TRANSLATE_NOOP("Ostrevik", "%1 Probeschüsse")},
        {SkippedLine::Total, QT_TRANSLATE_NOOP("Ostrevik", "%1 Summenzeile"),
         QT_TRANSLATE_NOOP("Ostrevik", "%1 Summenzeilen")},
        {SkippedLine::Blank, QT_TRANSLATE_NOOP("Ostrevik", "%1 Leerzeile"),
         QT_TRANSLATE_NOOP("Ostrevik", "%1 Leerzeilen")},
        {SkippedLine::OutOfRange,
         QT_TRANSLATE_NOOP("Ostrevik", "%1 Ring außerhalb von 0,0 bis 10,9"),
         QT_TRANSLATE_NOOP("Ostrevik", "%1 Ringe außerhalb von 0,0 bis 10,9")},
        {SkippedLine::Unreadable, QT_TRANSLATE_NOOP("Ostrevik", "%1 unlesbare Zeile"),
         QT_TRANSLATE_NOOP("Ostrevik", "%1 unlesbare Zeilen")},
    };
    QStringList parts;
    for (const Words& w : kWords) {
        const int n = file.skippedCount(w.kind);
        if (n > 0) {
            parts << tr(n == 1 ? w.one : w.many).arg(n);
        }
    }
    if (parts.isEmpty()) {
        return {};
    }
    return tr("Übersprungen: %1").arg(parts.join(QStringLiteral(", ")));
}

}  // namespace ostrevik
