#pragma once

#include "common/AtomicFile.h"
#include "measurement/Rasters.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace ostrevik {

// The 116-byte header of a measurement file ("Pelvaro-Datei", *.pvo): the
// version (always 1, little-endian) and three zero-terminated Windows-1252
// texts. Bytes after a text's zero carry no meaning.
struct Dateiheader_t {
    uint32_t Version = 0;
    std::array<char, 25> Name{};   // at most 24 characters
    std::array<char, 11> Datum{};  // at most 10 characters
    std::array<char, 76> Text{};   // at most 74 characters (the last byte is never used)

    static constexpr int kByteSize = 116;
    static constexpr int kNameMax = 24;
    static constexpr int kDatumMax = 10;
    static constexpr int kTextMax = 74;

    QByteArray toBytes() const;
    static Dateiheader_t fromBytes(const char* bytes);  // exactly kByteSize bytes

    // The texts end at their zero or at the field's end, never beyond.
    QString name() const;
    QString datum() const;
    QString text() const;
    void setName(const QString& s);
    void setDatum(const QString& s);
    void setText(const QString& s);
    // "Name - Datum - Text", as shown in the header row and the statistics.
    QString kopfzeile() const;
};

inline constexpr uint32_t kDateiVersion = 1;

void KopfInitialisieren(Dateiheader_t& header);

// Limits for reading a file, so that a damaged or hostile file cannot make the
// program take unbounded time or memory. Both lie far above any real file: a
// season of 100 000 take-ups of a few seconds each is some 30 MB, and even
// 100 000 take-ups of the longest possible record (12 500 samples) stay
// within the size.
inline constexpr qint64 kMaxDateiGroesse = 2LL * 1024 * 1024 * 1024;
inline constexpr int kMaxDatensaetze = 1000000;

// Reads the header and the data bytes after it. False when the file cannot be
// opened, is shorter than four bytes, does not start with version 1, or is
// larger than kMaxDateiGroesse; header and bytes are then unchanged.
bool KopfUndDatenLesen(Dateiheader_t& header, const QString& fileName, QByteArray& bytes);
// The same for a whole file already in memory.
bool KopfUndDatenAusBytes(Dateiheader_t& header, QByteArray file, QByteArray& bytes);
// Writes header and data atomically: a failure leaves the old file intact.
FileWriteResult KopfUndDatenSchreiben(const Dateiheader_t& header, const QString& fileName,
                                      const QByteArray& bytes);

struct DatenWalkErgebnis {
    int fertigeDatensaetze = 0;    // records completed by a terminator
    bool abgeschnitten = false;    // stopped at kMaxDatensaetze
    int gekuerzteDatensaetze = 0;  // records that lost samples beyond their capacity
};

// Builds records from a file's data bytes into the list's capture target:
// a threshold byte, samples up to the terminator 3, and so on. Each
// terminator appends a new capture target. Bytes after the last terminator
// stay in the capture target. Samples beyond a record's capacity are dropped,
// unless every sample is to be kept (an evaluation, not a display).
enum class Kapazitaet { Beachten, AlleWerte };
DatenWalkErgebnis DatenInListe(Rasters_t& liste, const QByteArray& bytes,
                               int maxDatensaetze = kMaxDatensaetze,
                               Kapazitaet kapazitaet = Kapazitaet::Beachten);

// The message for a file above kMaxDateiGroesse.
QString DateiZuGrossText(const QString& fileName);

// The data bytes of every record except the capture target.
QByteArray ListeAlsDaten(const Rasters_t& liste);

// A threshold of 3 would be read back as a record's end and shift every later
// record; such a threshold is written as 4, the nearest value that reads back
// as a threshold. Any other low byte is written as it is.
uint8_t SchwellenByteFuerDatei(uint32_t tonschwelle);

}  // namespace ostrevik
