#include "measurement/MeasurementDocument.h"

#include <QFileInfo>

namespace ostrevik {

// The document's record list: it tells the document of every record that
// comes or goes, whoever appends or removes it.
class MeasurementDocument::Records : public Rasters_t {
public:
    explicit Records(MeasurementDocument& document)
        : Rasters_t(50, 4, 60, 60), document_(document) {}

    void Anhaengen() override {
        Rasters_t::Anhaengen();
        Letzter().NummerSetzen(Anzahl());
        document_.ListeAngehaengt();
    }
    void Entfernen(int i) override {
        if (i < 0 || i >= Anzahl()) {
            return;
        }
        Rasters_t::Entfernen(i);
        document_.ListeEntfernt(i);
    }

private:
    MeasurementDocument& document_;
};

MeasurementDocument::MeasurementDocument(const DisplaySettings* settings, QObject* parent)
    : QObject(parent), liste_(std::make_unique<Records>(*this)), list_(liste_.get()) {
    liste_->Einstellungen = settings;
    KopfInitialisieren(Kopf);
    liste_->Anhaengen();
}

MeasurementDocument::~MeasurementDocument() = default;

void MeasurementDocument::SetzeDateiname(const QString& name) {
    Dateiname = name;
    emit fileNameChanged();
}

void MeasurementDocument::SetzeKopf(const Dateiheader_t& kopf) {
    Kopf = kopf;
    Geaendert = true;
    emit headerChanged();
}

void MeasurementDocument::ListeAngehaengt() {
    if (stapelTiefe_ > 0) {
        stapelGeaendert_ = true;
        return;
    }
    emit recordAppended();
}

void MeasurementDocument::ListeEntfernt(int index) {
    if (stapelTiefe_ > 0) {
        stapelGeaendert_ = true;
        return;
    }
    emit recordRemoved(index);
}

void MeasurementDocument::Entfernen(int i) {
    if (i < 0 || i >= FertigeDatensaetze()) {
        return;  // the capture target stays
    }
    Liste().Entfernen(i);
    Geaendert = true;
}

MeasurementDocument::Stapel::Stapel(MeasurementDocument& document) : document_(document) {
    ++document_.stapelTiefe_;
}

MeasurementDocument::Stapel::~Stapel() {
    if (--document_.stapelTiefe_ == 0 && document_.stapelGeaendert_) {
        document_.stapelGeaendert_ = false;
        emit document_.recordsReset();
    }
}

MeasurementDocument::LoadResult MeasurementDocument::Laden(int maxDatensaetze) {
    LoadResult result;
    const QFileInfo info(Dateiname);
    if (info.isFile() && info.size() > kMaxDateiGroesse) {
        result.outcome = LoadResult::Outcome::TooLarge;
        return result;
    }
    QByteArray daten;
    if (!KopfUndDatenLesen(Kopf, Dateiname, daten)) {
        result.outcome = LoadResult::Outcome::NotAMeasurementFile;
        return result;
    }
    Unbenannt = false;
    DatenWalkErgebnis ergebnis;
    {
        Stapel stapel(*this);
        ergebnis = DatenInListe(Liste(), daten, maxDatensaetze);
    }
    // What was left out is still in the file: the document must never be
    // written back over it.
    if (ergebnis.abgeschnitten || ergebnis.gekuerzteDatensaetze > 0) {
        unvollstaendigAus_ = info.canonicalFilePath();
    }
    if (ergebnis.abgeschnitten) {
        result.truncatedAt = ergebnis.fertigeDatensaetze;
    }
    result.shortened = ergebnis.gekuerzteDatensaetze;
    emit headerChanged();
    emit loaded();
    return result;
}

MeasurementDocument::SaveResult MeasurementDocument::Speichern() {
    SaveResult result;
    if (Unvollstaendig() && QFileInfo(Dateiname).canonicalFilePath() == unvollstaendigAus_) {
        result.outcome = SaveResult::Outcome::Incomplete;
        return result;
    }
    const FileWriteResult written = KopfUndDatenSchreiben(Kopf, Dateiname, ListeAlsDaten(Liste()));
    if (!written.ok) {
        result.outcome = SaveResult::Outcome::WriteFailed;
        result.reason = written.reason;
        return result;
    }
    Geaendert = false;
    emit saved(Dateiname);
    return result;
}

void MeasurementDocument::RecordStarted() {
    emit captureStarted();
}

void MeasurementDocument::SetCaptureThreshold(uint32_t threshold, bool repaint) {
    Liste().Letzter().SetzeTonschwelle(threshold);
    emit captureThresholdSet(repaint);
}

void MeasurementDocument::AppendCaptureSample(uint8_t sample) {
    Liste().Letzter().WertAnhaengen(sample);
    Geaendert = true;
    emit sampleAppended();
}

void MeasurementDocument::RecordEnded() {
    const int index = Liste().Anzahl() - 1;
    Liste().Anhaengen();
    emit recordEnded(index);
}

void MeasurementDocument::BatchDone() {
    emit batchDone();
}

}  // namespace ostrevik
