#include "archive/ArchiveSchema.h"

namespace ostrevik {

const std::vector<QStringList>& archiveMigrations() {
    static const std::vector<QStringList> migrations = {
        // 1: shooters, sessions with their tags, take-ups with their figures.
        {
            // A shooter, and the names under which his files arrive: the
            // header names seen, and earlier names after a rename or merge,
            // so that later files of the same name land with him.
            QStringLiteral("CREATE TABLE schuetze ("
                           " id INTEGER PRIMARY KEY,"
                           " name TEXT NOT NULL UNIQUE)"),
            QStringLiteral("CREATE TABLE schuetze_name ("
                           " name TEXT PRIMARY KEY,"
                           " schuetze_id INTEGER NOT NULL REFERENCES schuetze(id)"
                           " ON DELETE CASCADE) WITHOUT ROWID"),
            // A session: its measurement file (path and SHA-256 of the whole
            // file), the header's texts, its day (yyyy-MM-dd: the header's
            // date, or the file's day when that does not read as one), and
            // what the coach adds. schuetze_gesetzt marks a shooter chosen by
            // hand, which a changed header no longer overrides.
            QStringLiteral("CREATE TABLE sitzung ("
                           " id INTEGER PRIMARY KEY,"
                           " pfad TEXT NOT NULL UNIQUE,"
                           " hash BLOB NOT NULL,"
                           " groesse INTEGER NOT NULL,"
                           " schuetze_id INTEGER NOT NULL REFERENCES schuetze(id),"
                           " schuetze_gesetzt INTEGER NOT NULL DEFAULT 0,"
                           " datum TEXT NOT NULL,"
                           " kopf_name TEXT NOT NULL,"
                           " kopf_datum TEXT NOT NULL,"
                           " kopf_text TEXT NOT NULL,"
                           " notiz TEXT NOT NULL DEFAULT '',"
                           " druckpunktnahmen INTEGER NOT NULL,"
                           " schuesse INTEGER NOT NULL,"
                           " aufgenommen TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX sitzung_schuetze_datum ON sitzung(schuetze_id, datum)"),
            QStringLiteral("CREATE INDEX sitzung_hash ON sitzung(hash)"),
            QStringLiteral("CREATE TABLE sitzung_marke ("
                           " sitzung_id INTEGER NOT NULL REFERENCES sitzung(id) ON DELETE CASCADE,"
                           " marke TEXT NOT NULL,"
                           " PRIMARY KEY (sitzung_id, marke)) WITHOUT ROWID"),
            // A take-up by its number in the session (from 1, as the document
            // window counts), with the analysis' metrics under the column
            // names of the take-up CSV; NULL where the take-up has none.
            QStringLiteral("CREATE TABLE druckpunktnahme ("
                           " sitzung_id INTEGER NOT NULL REFERENCES sitzung(id) ON DELETE CASCADE,"
                           " nr INTEGER NOT NULL,"
                           " schuss INTEGER NOT NULL,"
                           " tonschwelle INTEGER NOT NULL,"
                           " Dauer_ms REAL, Ton_ms REAL, Schuss_ms REAL, TonSchuss_ms REAL,"
                           " Druck_Schuss REAL, Spitzendruck REAL, Anstieg_200 REAL,"
                           " Halt_160 REAL, Halt_500 REAL, Abweichung REAL,"
                           " Zucken INTEGER NOT NULL, Nachlassen INTEGER NOT NULL,"
                           " Unruhig INTEGER NOT NULL,"
                           " PRIMARY KEY (sitzung_id, nr)) WITHOUT ROWID"),
        },
        // 2: the rings of the shots. A ring belongs to its take-up and goes
        // with it; kennung is the fingerprint of the record it was given
        // for, so that a file changed later (a record removed before it)
        // leaves the ring with its take-up rather than with its number.
        {
            QStringLiteral(
                "CREATE TABLE ring ("
                " sitzung_id INTEGER NOT NULL,"
                " nr INTEGER NOT NULL,"
                " ring REAL NOT NULL,"
                " x REAL, y REAL,"
                " zeit TEXT NOT NULL DEFAULT '',"
                " kennung INTEGER NOT NULL DEFAULT 0,"
                " PRIMARY KEY (sitzung_id, nr),"
                " FOREIGN KEY (sitzung_id, nr) REFERENCES druckpunktnahme(sitzung_id, nr)"
                " ON DELETE CASCADE) WITHOUT ROWID"),
        },
        // 3: the drill runs done in a session. A run is known by its own
        // key (lauf), so that saving the file again replaces it rather than
        // adding it twice; it keeps the drill as it was judged by (its file's
        // text with the personal bands' values), since the drill's file may
        // change later. A verdict is kept by the fingerprint of its record
        // (kennung) like a ring, and by the take-up's number as the file had
        // it; bestanden is NULL for a take-up without a shot (not judged).
        {
            QStringLiteral("CREATE TABLE uebung_lauf ("
                           " sitzung_id INTEGER NOT NULL REFERENCES sitzung(id)"
                           " ON DELETE CASCADE,"
                           " lauf TEXT NOT NULL,"
                           " name TEXT NOT NULL,"
                           " uebung TEXT NOT NULL,"
                           " begonnen TEXT NOT NULL,"
                           " beendet INTEGER NOT NULL,"
                           " PRIMARY KEY (sitzung_id, lauf))"),
            QStringLiteral(
                "CREATE TABLE uebung_ergebnis ("
                " sitzung_id INTEGER NOT NULL,"
                " lauf TEXT NOT NULL,"
                " pos INTEGER NOT NULL,"
                " nr INTEGER NOT NULL,"
                " kennung INTEGER NOT NULL,"
                " bestanden INTEGER,"
                " nicht_erfuellt TEXT NOT NULL,"
                " PRIMARY KEY (sitzung_id, lauf, pos),"
                " FOREIGN KEY (sitzung_id, lauf) REFERENCES uebung_lauf(sitzung_id, lauf)"
                " ON DELETE CASCADE)"),
        },
    };
    return migrations;
}

}  // namespace ostrevik
