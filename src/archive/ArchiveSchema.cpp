#include "archive/ArchiveSchema.h"

#include "archive/ArchiveFileCopies.h"

namespace ostrevik {

const std::vector<QStringList>& archiveMigrations() {
    static const std::vector<QStringList> migrations = {
        // 1: shooters, sessions with their tags, take-ups with their figures.
        {
            // A shooter, and the names under which his files arrive: the
            // header names seen, and earlier names after a rename or merge,
            // so that later files of the same name land with him.
            QStringLiteral("CREATE TABLE schuetze ("
                           " id {id},"
                           " name TEXT NOT NULL UNIQUE)"),
            QStringLiteral("CREATE TABLE schuetze_name ("
                           " name TEXT PRIMARY KEY,"
                           " schuetze_id {int} NOT NULL REFERENCES schuetze(id)"
                           " ON DELETE CASCADE){norowid}"),
            // A session: its measurement file (path and SHA-256 of the whole
            // file), the header's texts, its day (yyyy-MM-dd: the header's
            // date, or the file's day when that does not read as one), and
            // what the coach adds. schuetze_gesetzt marks a shooter chosen by
            // hand, which a changed header no longer overrides.
            QStringLiteral("CREATE TABLE sitzung ("
                           " id {id},"
                           " pfad TEXT NOT NULL UNIQUE,"
                           " hash {blob} NOT NULL,"
                           " groesse {int} NOT NULL,"
                           " schuetze_id {int} NOT NULL REFERENCES schuetze(id),"
                           " schuetze_gesetzt {int} NOT NULL DEFAULT 0,"
                           " datum TEXT NOT NULL,"
                           " kopf_name TEXT NOT NULL,"
                           " kopf_datum TEXT NOT NULL,"
                           " kopf_text TEXT NOT NULL,"
                           " notiz TEXT NOT NULL DEFAULT '',"
                           " druckpunktnahmen {int} NOT NULL,"
                           " schuesse {int} NOT NULL,"
                           " aufgenommen TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX sitzung_schuetze_datum ON sitzung(schuetze_id, datum)"),
            QStringLiteral("CREATE INDEX sitzung_hash ON sitzung(hash)"),
            QStringLiteral("CREATE TABLE sitzung_marke ("
                           " sitzung_id {int} NOT NULL REFERENCES sitzung(id) ON DELETE CASCADE,"
                           " marke TEXT NOT NULL,"
                           " PRIMARY KEY (sitzung_id, marke)){norowid}"),
            // A take-up by its number in the session (from 1, as the document
            // window counts), with the analysis' metrics under the column
            // names of the take-up CSV; NULL where the take-up has none.
            QStringLiteral("CREATE TABLE druckpunktnahme ("
                           " sitzung_id {int} NOT NULL REFERENCES sitzung(id) ON DELETE CASCADE,"
                           " nr {int} NOT NULL,"
                           " schuss {int} NOT NULL,"
                           " tonschwelle {int} NOT NULL,"
                           " Dauer_ms {real}, Ton_ms {real}, Schuss_ms {real}, TonSchuss_ms {real},"
                           " Druck_Schuss {real}, Spitzendruck {real}, Anstieg_200 {real},"
                           " Halt_160 {real}, Halt_500 {real}, Abweichung {real},"
                           " Zucken {int} NOT NULL, Nachlassen {int} NOT NULL,"
                           " Unruhig {int} NOT NULL,"
                           " PRIMARY KEY (sitzung_id, nr)){norowid}"),
        },
        // 2: the rings of the shots. A ring belongs to its take-up and goes
        // with it; kennung is the fingerprint of the record it was given
        // for, so that a file changed later (a record removed before it)
        // leaves the ring with its take-up rather than with its number.
        {
            QStringLiteral(
                "CREATE TABLE ring ("
                " sitzung_id {int} NOT NULL,"
                " nr {int} NOT NULL,"
                " ring {real} NOT NULL,"
                " x {real}, y {real},"
                " zeit TEXT NOT NULL DEFAULT '',"
                " kennung {int} NOT NULL DEFAULT 0,"
                " PRIMARY KEY (sitzung_id, nr),"
                " FOREIGN KEY (sitzung_id, nr) REFERENCES druckpunktnahme(sitzung_id, nr)"
                " ON DELETE CASCADE){norowid}"),
        },
        // 3: the measurement files themselves, once per content, so that a
        // session is whole on a PC that never had its file. datei_fehlt
        // marks a session whose file was gone (or changed) when its archive
        // came to this version: the archive has no copy of it.
        {
            QStringLiteral("CREATE TABLE datei ("
                           " hash {blob} PRIMARY KEY,"
                           " inhalt {blob} NOT NULL)"),
            QStringLiteral("ALTER TABLE sitzung ADD COLUMN datei_fehlt {int} NOT NULL DEFAULT 0"),
        },
        // 4: the drill runs done in a session. A run is known by its own
        // key (lauf), so that saving the file again replaces it rather than
        // adding it twice; it keeps the drill as it was judged by (its file's
        // text with the personal bands' values), since the drill's file may
        // change later. A verdict is kept by the fingerprint of its record
        // (kennung) like a ring, and by the take-up's number as the file had
        // it; bestanden is NULL for a take-up without a shot (not judged).
        {
            QStringLiteral("CREATE TABLE uebung_lauf ("
                           " sitzung_id {int} NOT NULL REFERENCES sitzung(id)"
                           " ON DELETE CASCADE,"
                           " lauf TEXT NOT NULL,"
                           " name TEXT NOT NULL,"
                           " uebung TEXT NOT NULL,"
                           " begonnen TEXT NOT NULL,"
                           " beendet {int} NOT NULL,"
                           " PRIMARY KEY (sitzung_id, lauf))"),
            QStringLiteral(
                "CREATE TABLE uebung_ergebnis ("
                " sitzung_id {int} NOT NULL,"
                " lauf TEXT NOT NULL,"
                " pos {int} NOT NULL,"
                " nr {int} NOT NULL,"
                " kennung {int} NOT NULL,"
                " bestanden {int},"
                " nicht_erfuellt TEXT NOT NULL,"
                " PRIMARY KEY (sitzung_id, lauf, pos),"
                " FOREIGN KEY (sitzung_id, lauf) REFERENCES uebung_lauf(sitzung_id, lauf)"
                " ON DELETE CASCADE)"),
        },
    };
    return migrations;
}

const std::map<int, MigrationStep>& archiveMigrationSteps() {
    static const std::map<int, MigrationStep> steps = {
        {3, takeFileCopies},
    };
    return steps;
}

}  // namespace ostrevik
