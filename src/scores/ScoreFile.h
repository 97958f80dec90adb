#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <optional>
#include <vector>

namespace ostrevik {

// Reading the shot list that electronic targets and their club software
// export: text with one shot per line, fields separated by ';', ',' or a tab,
// decimal comma or point, a header line naming the columns, in UTF-8 or
// Windows-1252 (a UTF-16 file with its byte order mark is read too).

// The columns of a score file by index from 0; -1 where the file has none.
struct ScoreColumns {
    int number = -1;  // the shot's number
    int ring = -1;    // the decimal ring; a file without one has no shots
    int x = -1;       // hit position in mm
    int y = -1;
    int time = -1;  // the shot's time

    bool operator==(const ScoreColumns&) const = default;
};

// What the mapping dialog tells the reader about a file whose header it did
// not recognise. Left empty, the reader finds it out itself.
struct ScoreFileOptions {
    std::optional<QChar> separator;  // ';', ',' or '\t'; QChar() for one column
    std::optional<ScoreColumns> columns;
    // With columns given: the header line's index among the file's lines
    // (from 0), -1 for a file without one. Lines before it are not read.
    int headerLine = 0;
};

// One shot of the file.
struct ScoreShot {
    int line = 0;    // the line in the file, from 1
    int number = 0;  // the file's shot number; without one, one more than the shot before
    double ring = 0.0;
    std::optional<double> x;  // mm
    std::optional<double> y;
    QString time;                // as the file writes it, empty without one
    std::optional<QTime> clock;  // the time when it reads as a time of day
};

// Why a line after the header is not a shot.
enum class SkippedLine {
    Blank,
    Sighter,     // "Probe", "P", "P3"
    Total,       // "Summe", "Gesamt", "Total", "Zwischensumme"
    OutOfRange,  // a ring below 0.0 or above 10.9, refused rather than clamped
    Unreadable,  // no ring, or not a number where one belongs
};
inline constexpr int kSkippedLineKinds = 5;

inline constexpr int kScorePreviewLines = 10;

struct ScoreFile {
    QString error;     // why the file could not be read at all (German); empty when it could
    QString encoding;  // "UTF-8", "UTF-16" or "Windows-1252"
    QChar separator;   // QChar() for a file of one column
    bool decimalComma = false;
    int headerLine = -1;  // index of the header line, -1 without one
    QStringList header;   // its fields
    ScoreColumns columns;
    // The header named a ring column, or the columns were given. When
    // false, no line was read as a shot: the columns must be mapped.
    bool columnsKnown = false;
    // The file lists its shots newest first (numbers falling); `shots` are
    // turned round into the order they were fired in.
    bool newestFirst = false;
    std::vector<QStringList> preview;  // the first lines, split into fields
    std::vector<ScoreShot> shots;      // in the order they were fired
    std::array<int, kSkippedLineKinds> skipped{};

    bool ok() const { return error.isEmpty(); }
    int skippedCount(SkippedLine kind) const { return skipped[static_cast<size_t>(kind)]; }
    int skippedTotal() const;
};

ScoreFile readScoreText(const QByteArray& bytes, const ScoreFileOptions& options = {});
// Reads a file of at most kMaxScoreFileSize bytes; a missing, unreadable or
// larger file gives only the error.
ScoreFile readScoreFile(const QString& path, const ScoreFileOptions& options = {});
inline constexpr qint64 kMaxScoreFileSize = 16 * 1024 * 1024;

// The skipped lines in words: "Übersprungen: 2 Probeschüsse, 1 Summenzeile,
// 3 Leerzeilen"; empty when none was skipped.
QString skippedLinesText(const ScoreFile& file);

// A number with a decimal comma or point ("9,8", "-1.25"); none for anything
// else, a number with both or with digits grouped included.
std::optional<double> readDecimal(const QString& text);

}  // namespace ostrevik
