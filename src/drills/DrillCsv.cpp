#include "drills/DrillCsv.h"

#include "archive/ArchiveProgress.h"
#include "drills/DrillTexts.h"

#include <QStringList>

namespace ostrevik {
namespace {

constexpr char kSeparator = ';';

}  // namespace

QByteArray verdictsCsv(std::span<const TakeUpVerdict> verdicts) {
    QByteArray out = "Nr;Schuss;Bestanden;Nicht_erfuellt\n";
    for (const TakeUpVerdict& v : verdicts) {
        out += QByteArray::number(v.number);
        out += kSeparator;
        out += v.judged ? '1' : '0';
        out += kSeparator;
        if (v.judged) {
            out += v.passed ? '1' : '0';
        }
        out += kSeparator;
        QStringList names;
        for (const MissedCriterion& m : v.missed) {
            names << m.criterion.name();
        }
        out += names.join(QLatin1Char(',')).toUtf8();
        out += '\n';
    }
    return out;
}

QByteArray drillListCsv(std::span<const DrillEntry> entries) {
    QByteArray out = QStringLiteral("Name;Art;Druckpunktnahmen;Rückmeldung;Datei;Grund\n").toUtf8();
    for (const DrillEntry& e : entries) {
        const bool damaged = e.source == DrillEntry::Source::Damaged;
        out += csvField(e.name());
        out += kSeparator;
        switch (e.source) {
            case DrillEntry::Source::BuiltIn:
                out += csvField(DrillTexts::BuiltInKind());
                break;
            case DrillEntry::Source::Own:
                out += csvField(DrillTexts::OwnKind());
                break;
            case DrillEntry::Source::Damaged:
                out += csvField(DrillTexts::DamagedKind());
                break;
        }
        out += kSeparator;
        if (!damaged) {
            out += QByteArray::number(e.drill.takeUps);
        }
        out += kSeparator;
        if (!damaged) {
            out += feedbackKey(e.drill.feedback).toUtf8();
        }
        out += kSeparator;
        out += csvField(e.path);
        out += kSeparator;
        out += csvField(DrillTexts::FileProblem(e.problem));
        out += '\n';
    }
    return out;
}

}  // namespace ostrevik
