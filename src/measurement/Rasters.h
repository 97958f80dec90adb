#pragma once

#include "measurement/Raster.h"

#include <memory>
#include <vector>

namespace ostrevik {

// The ordered records of one document. The last record is always the capture
// target: the live stream appends samples to it, and when the device ends a
// record a new empty one is appended. Records live at a fixed address from
// creation to removal.
//
// The list keeps the books of its records: how many of their shots are
// numbered (so that two documents never number each other's shots), and
// which of them hold a picture (so that a long document holds no more
// pictures than its budget).
class Rasters_t {
public:
    Rasters_t(int32_t spalten, int32_t zeilen, int32_t spaltenBreite, int32_t zeilenHoehe);
    virtual ~Rasters_t();
    Rasters_t(const Rasters_t&) = delete;
    Rasters_t& operator=(const Rasters_t&) = delete;

    // Appends a new empty record (the new capture target).
    virtual void Anhaengen();
    // Removes record i; callers never remove the capture target.
    virtual void Entfernen(int i);

    // Gives every record its scale, its number, its shot number and its
    // axis texts for the current settings and display modes. Shots are
    // numbered per list from 1 in list order. Records whose state does not
    // change keep their pictures.
    void Beschriften();
    // The same for the capture target alone, when nothing but its samples
    // has changed since the last Beschriften (a live capture between two
    // records): a long document costs no more per sample than a short one.
    // False, with nothing done, when more has changed.
    bool LetztenBeschriften();

    // Records of this list whose SchussText is not empty: the shots numbered
    // so far. A live record's first shot takes this count + 1 as its number.
    int32_t SchussZaehler() const { return schussZaehler_; }

    // The most pictures the list keeps once it has been trimmed (a document
    // record's picture takes some 3.7 MB). The records on screen [von, bis]
    // always keep theirs; they count against the budget first.
    int BildBudget = 6;
    // Records holding a picture.
    int BilderGehalten() const { return static_cast<int>(bildHalter_.size()); }
    // Trims the pictures to the budget for the records on screen [von, bis]
    // (0-based; empty when bis < von): keeps theirs, leaves room for those of
    // them still without one, and of the others keeps the nearest, at most
    // BildBudget rows away. Called when the view or the records change, never
    // while painting, so that the pictures a paint builds stay within budget.
    void BilderBegrenzen(int von, int bis);

    int Anzahl() const { return static_cast<int>(records_.size()); }
    Raster_t& Datensatz(int i) { return *records_.at(static_cast<size_t>(i)); }
    const Raster_t& Datensatz(int i) const { return *records_.at(static_cast<size_t>(i)); }
    Raster_t& Letzter() { return *records_.back(); }
    const Raster_t& Letzter() const { return *records_.back(); }

    int32_t Spalten;
    int32_t Zeilen;
    int32_t SpaltenBreite;
    int32_t ZeilenHoehe;
    const DisplaySettings* Einstellungen = nullptr;  // shared, not owned

private:
    friend class Raster_t;
    // Brings the books in line with what record r holds now (a shot
    // number, a picture).
    void abgleichen(Raster_t& r);
    // Forgets r's shot number and picture: r leaves the list.
    void austragen(Raster_t& r);
    // Enters or leaves r among the picture holders, as it holds a picture.
    void bildGeaendert(Raster_t& r);
    void bildAbmelden(Raster_t& r);

    // Time-axis labels for one scale and first label value, shared by every
    // record that shows them.
    struct Zeitbeschriftung {
        float s = 0.0f;
        int e0 = 0;
        int spalten = -1;
        QStringList texte;
    };
    const QStringList& zeitTexte(Zeitbeschriftung& cache, float s, int e0);
    void beschriften(Raster_t& r, int nummer, int& schuss, float s);

    // What the last Beschriften went by.
    struct Beschriftungsstand {
        int anzahl = -1;
        DisplaySettings einstellungen;
        int schuesseDavor = 0;  // shots of the records before the capture target
    };
    Beschriftungsstand stand_;

    int32_t schussZaehler_ = 0;
    std::vector<Raster_t*> bildHalter_;  // records holding a picture, in no order
    std::vector<std::unique_ptr<Raster_t>> records_;
    Zeitbeschriftung normal_;
    Zeitbeschriftung schussbuendig_;
    QStringList prozentTexte_;
};

}  // namespace ostrevik
