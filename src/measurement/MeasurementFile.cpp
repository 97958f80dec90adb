#include "measurement/MeasurementFile.h"

#include "common/Cp1252.h"
#include "common/Texts.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace ostrevik {

static_assert(sizeof(Dateiheader_t) == Dateiheader_t::kByteSize);

QByteArray Dateiheader_t::toBytes() const {
    QByteArray out(kByteSize, '\0');
    char* p = out.data();
    qToLittleEndian(Version, p);
    std::memcpy(p + 4, Name.data(), Name.size());
    std::memcpy(p + 29, Datum.data(), Datum.size());
    std::memcpy(p + 40, Text.data(), Text.size());
    return out;
}

Dateiheader_t Dateiheader_t::fromBytes(const char* bytes) {
    Dateiheader_t h;
    h.Version = qFromLittleEndian<uint32_t>(bytes);
    std::memcpy(h.Name.data(), bytes + 4, h.Name.size());
    std::memcpy(h.Datum.data(), bytes + 29, h.Datum.size());
    std::memcpy(h.Text.data(), bytes + 40, h.Text.size());
    return h;
}

QString Dateiheader_t::name() const {
    return fromCp1252Field(Name.data(), Name.size());
}
QString Dateiheader_t::datum() const {
    return fromCp1252Field(Datum.data(), Datum.size());
}
QString Dateiheader_t::text() const {
    return fromCp1252Field(Text.data(), Text.size());
}

void Dateiheader_t::setName(const QString& s) {
    toCp1252Field(s, Name.data(), Name.size(), kNameMax);
}
void Dateiheader_t::setDatum(const QString& s) {
    toCp1252Field(s, Datum.data(), Datum.size(), kDatumMax);
}
void Dateiheader_t::setText(const QString& s) {
    toCp1252Field(s, Text.data(), Text.size(), kTextMax);
}

QString Dateiheader_t::kopfzeile() const {
    return name() + QStringLiteral(" - ") + datum() + QStringLiteral(" - ") + text();
}

void KopfInitialisieren(Dateiheader_t& header) {
    header = Dateiheader_t{};
    header.Version = kDateiVersion;
}

bool KopfUndDatenLesen(Dateiheader_t& header, const QString& fileName, QByteArray& bytes) {
    QFile f(fileName);
    // Only regular files: a device or a pipe named as a document could be
    // endless.
    if (!QFileInfo(fileName).isFile() || !f.open(QIODevice::ReadOnly)) {
        return false;
    }
    if (f.size() > kMaxDateiGroesse) {
        return false;
    }
    return KopfUndDatenAusBytes(header, f.read(f.size()), bytes);
}

bool KopfUndDatenAusBytes(Dateiheader_t& header, QByteArray file, QByteArray& bytes) {
    if (file.size() < 4 || qFromLittleEndian<uint32_t>(file.constData()) != kDateiVersion) {
        return false;
    }
    // A file cut short inside the header keeps zeros for the missing bytes.
    QByteArray head = file.left(Dateiheader_t::kByteSize);
    head.resize(Dateiheader_t::kByteSize, '\0');
    header = Dateiheader_t::fromBytes(head.constData());
    // The data part in place, without a second copy of a large file.
    file.remove(0, Dateiheader_t::kByteSize);
    if (bytes.isEmpty()) {
        bytes = std::move(file);
    } else {
        bytes.append(file);
    }
    return true;
}

FileWriteResult KopfUndDatenSchreiben(const Dateiheader_t& header, const QString& fileName,
                                      const QByteArray& bytes) {
    return writeFileAtomically(fileName, header.toBytes() + bytes);
}

QString DateiZuGrossText(const QString& fileName) {
    return Texts::FileTooLarge(fileName, kMaxDateiGroesse / (1024 * 1024));
}

DatenWalkErgebnis DatenInListe(Rasters_t& liste, const QByteArray& bytes, int maxDatensaetze,
                               Kapazitaet kapazitaet) {
    DatenWalkErgebnis result;
    bool schwelleErwartet = true;
    bool gekuerzt = false;  // the record being read lost samples
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();
    for (const char* p = begin; p < end; ++p) {
        const auto b = static_cast<uint8_t>(*p);
        if (b == kRecordEnd) {
            if (result.fertigeDatensaetze >= maxDatensaetze) {
                result.abgeschnitten = true;
                break;
            }
            liste.Anhaengen();
            ++result.fertigeDatensaetze;
            result.gekuerzteDatensaetze += gekuerzt ? 1 : 0;
            gekuerzt = false;
            schwelleErwartet = true;
        } else if (schwelleErwartet) {
            liste.Letzter().SetzeTonschwelle(b);
            schwelleErwartet = false;
        } else {
            // The samples up to the record's end in one go; what is beyond
            // the record's capacity is skipped.
            const void* next = std::memchr(p, kRecordEnd, static_cast<size_t>(end - p));
            const char* ende = next ? static_cast<const char*>(next) : end;
            const auto n = static_cast<size_t>(ende - p);
            const auto* werte = reinterpret_cast<const uint8_t*>(p);
            size_t genommen = n;
            if (kapazitaet == Kapazitaet::AlleWerte) {
                std::vector<uint8_t>& ziel = liste.Letzter().Werte;
                ziel.insert(ziel.end(), werte, werte + n);
            } else {
                genommen = liste.Letzter().WerteAnhaengen(werte, n);
            }
            gekuerzt = gekuerzt || genommen < n;
            p = ende - 1;
        }
    }
    return result;
}

uint8_t SchwellenByteFuerDatei(uint32_t tonschwelle) {
    const auto low = static_cast<uint8_t>(tonschwelle & 0xFF);
    return low == kRecordEnd ? uint8_t{4} : low;
}

QByteArray ListeAlsDaten(const Rasters_t& liste) {
    QByteArray out;
    qsizetype size = 0;
    for (int i = 0; i + 1 < liste.Anzahl(); ++i) {
        size += liste.Datensatz(i).AnzahlWerte() + 2;
    }
    out.reserve(size);
    for (int i = 0; i + 1 < liste.Anzahl(); ++i) {
        const Raster_t& r = liste.Datensatz(i);
        out.append(static_cast<char>(SchwellenByteFuerDatei(r.Tonschwelle)));
        out.append(reinterpret_cast<const char*>(r.Werte.data()),
                   static_cast<qsizetype>(r.Werte.size()));
        out.append(static_cast<char>(kRecordEnd));
    }
    return out;
}

}  // namespace ostrevik
