#pragma once

#include "drills/DrillLibrary.h"
#include "drills/DrillVerdict.h"

#include <QByteArray>

#include <span>

namespace ostrevik {

// "--drill-check": Nr;Schuss;Bestanden;Nicht_erfuellt, one line per take-up
// in its order. Bestanden is 1 or 0, empty for a take-up without a shot
// (not judged); Nicht_erfuellt names the criteria missed by their metric or
// tag ("Schuss_ms,Zucken"), empty when passed. Semicolons, UTF-8.
QByteArray verdictsCsv(std::span<const TakeUpVerdict> verdicts);

// "--drill-list": Name;Art;Druckpunktnahmen;Rückmeldung;Datei;Grund, one
// line per drill in the library's order: Art "eingebaut", "eigene" or
// "beschädigt", the feedback as the file format names it, the file of an
// own or damaged drill and why a damaged one cannot be read.
QByteArray drillListCsv(std::span<const DrillEntry> entries);

}  // namespace ostrevik
