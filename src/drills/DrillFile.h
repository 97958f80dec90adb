#pragma once

#include "common/AtomicFile.h"
#include "drills/Drill.h"

#include <QByteArray>
#include <QString>

namespace ostrevik {

// A drill file (JSON, one drill):
//   {"format": "ostrevik-uebung", "version": 1, "name": "…", "description": "…",
//    "takeups": 10, "feedback": "jede" | "jede-zweite" | "ausblendend" | "am-ende",
//    "criteria": [{"metric": "Schuss_ms", "min": 3000, "max": 8000},
//                 {"tag": "Zucken", "allowed": false},
//                 {"metric": "Halt_160", "band": "personal", "k": 1.5, "last": 30}]}
// "description" may be left out, and "last" (default 30) too. A coach hands
// such files to the club, so they are read as foreign input: every field is
// checked, and what is not understood is refused with its reason rather than
// left out, since a criterion silently dropped would pass take-ups it should
// fail.
inline const QString kDrillFormat = QStringLiteral("ostrevik-uebung");
inline constexpr int kDrillFileVersion = 1;
// A drill is a few hundred bytes; a larger file is no drill of ours.
inline constexpr qint64 kDrillFileMaxBytes = 1024 * 1024;
inline constexpr int kDrillNameMaxLength = 80;
inline constexpr int kDrillDescriptionMaxLength = 4000;
// More robust standard deviations either side than this make a band that
// nothing misses.
inline constexpr double kBandMaxK = 10.0;

// Why a drill file, or a drill to be saved, is refused. DrillTexts puts it
// into words.
struct DrillFileError {
    enum class Kind {
        None,
        Missing,             // no file at the path
        NotAFile,            // a folder, a pipe or a device
        Unreadable,          // detail: the system's words
        TooLarge,            // more than kDrillFileMaxBytes
        NotJson,             // detail: the parser's words, number: the byte offset
        WrongFormat,         // no "format": "ostrevik-uebung"
        WrongVersion,        // number: the file's version (a newer program's file)
        UnknownKey,          // detail: a field this version does not know
        MissingKey,          // detail: a field that must be there
        WrongType,           // detail: a field of the wrong kind (text, number, list)
        NameEmpty,           //
        NameTooLong,         //
        NameHasControl,      // a line break, another control character, half a character
        DescriptionTooLong,  //
        TakeUpsOutOfRange,   // number: as given (whole, 1 .. kDrillMaxTakeUps)
        FeedbackUnknown,     // detail: as given
        NoCriteria,          //
        MetricUnknown,       // detail: as given
        TagUnknown,          // detail: as given
        NotACriterion,       // detail: Abweichung or Unruhig
        MetricAndTag,        // a criterion names both
        NeitherMetricNorTag,
        NoLimit,         // a metric without min, max or band
        LimitsReversed,  // min > max
        NotFinite,       // detail: the field
        BandUnknown,     // detail: as given ("personal" is the only band)
        BandWithLimits,  // a band and a limit in one criterion
        BandFactor,      // number: k, not in (0, kBandMaxK]
        BandLength,      // number: last, not in kBandMinTakeUps .. kBandMaxTakeUps
        TagAllowed,      // "allowed" other than false
        Duplicate,       // detail: the metric or tag named twice
        NameTaken,       // detail: the name, which a built-in drill or another file has
    };
    Kind kind = Kind::None;
    int criterion = 0;  // the criterion concerned, from 1; 0: the drill itself
    QString detail;
    double number = 0;

    bool ok() const { return kind == Kind::None; }
    bool failed() const { return kind != Kind::None; }
    bool operator==(const DrillFileError&) const = default;
};

struct DrillRead {
    Drill drill;           // valid when error.ok()
    DrillFileError error;  // why the drill was refused
};

// Whether a drill may be kept and run: the rules the reader holds a file
// to, for a drill made in the program as well.
DrillFileError validateDrill(const Drill& drill);

// Reads a drill from a file's bytes, or from the file.
DrillRead parseDrill(const QByteArray& bytes);
DrillRead readDrillFile(const QString& path);

// The file's text of a drill (UTF-8 JSON, indented); parseDrill gives the
// drill back.
QByteArray drillJson(const Drill& drill);
// Writes the drill to path atomically.
FileWriteResult writeDrillFile(const QString& path, const Drill& drill);

}  // namespace ostrevik
