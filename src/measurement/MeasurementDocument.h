#pragma once

#include "device/CaptureDocument.h"
#include "measurement/MeasurementFile.h"
#include "measurement/Rasters.h"

#include <QObject>
#include <QString>

#include <memory>

namespace ostrevik {

// One measurement document: its file name, header, record list (the last
// record is always the capture target), and whether it changed since it was
// saved. The device's live stream writes into it (it is the capture document
// the decoder feeds); the document window shows it, and the analysis, the
// exports, the archive and the command line read it. Whoever wants to know
// what happens to it listens to its signals; nobody reads a window's fields.
//
// The record list keeps its records at fixed addresses from creation to
// removal. Appending and removing go through the list as before (file
// reading, the capture, the window's "Entfernen"); the document hears of each
// and tells its observers.
class MeasurementDocument : public QObject, public CaptureDocument {
    Q_OBJECT
public:
    // settings: the live display settings every record draws with; shared,
    // not owned, they outlive the document.
    explicit MeasurementDocument(const DisplaySettings* settings, QObject* parent = nullptr);
    ~MeasurementDocument() override;

    Rasters_t& Liste() { return *list_; }
    const Rasters_t& Liste() const { return *list_; }
    // Completed records: all but the capture target.
    int FertigeDatensaetze() const { return Liste().Anzahl() - 1; }

    QString Dateiname;
    Dateiheader_t Kopf{};
    bool Unbenannt = true;
    bool Geaendert = false;

    // The file name (the window shows it in its caption).
    void SetzeDateiname(const QString& name);
    // A new header (the file header dialog's choice): the document changed.
    void SetzeKopf(const Dateiheader_t& kopf);

    // Reading a file into the (new, empty) document.
    struct LoadResult {
        enum class Outcome { Loaded, TooLarge, NotAMeasurementFile };
        Outcome outcome = Outcome::Loaded;
        // Loaded only up to this many records (the file holds more), or 0.
        int truncatedAt = 0;
        // Records longer than the time axis, shown shortened.
        int shortened = 0;
    };
    LoadResult Laden(int maxDatensaetze = kMaxDatensaetze);
    // Writing it to Dateiname. A document that was not loaded whole is never
    // written over the file it came from.
    struct SaveResult {
        enum class Outcome { Saved, Incomplete, WriteFailed };
        Outcome outcome = Outcome::Saved;
        QString reason;  // why the write failed
    };
    SaveResult Speichern();
    // True when loading left records or samples out.
    bool Unvollstaendig() const { return !unvollstaendigAus_.isEmpty(); }

    // Removes completed record i (never the capture target): the document
    // changed.
    void Entfernen(int i);

    // While a Stapel lives, appended and removed records are told once, as
    // recordsReset, when the last Stapel ends (a whole file read).
    class Stapel {
    public:
        explicit Stapel(MeasurementDocument& document);
        ~Stapel();
        Stapel(const Stapel&) = delete;
        Stapel& operator=(const Stapel&) = delete;

    private:
        MeasurementDocument& document_;
    };

    // CaptureDocument: the live capture into the capture target.
    void RecordStarted() override;
    void SetCaptureThreshold(uint32_t threshold, bool repaint) override;
    void AppendCaptureSample(uint8_t sample) override;
    void RecordEnded() override;
    void BatchDone() override;

signals:
    // A take-up begins in the capture target.
    void captureStarted();
    // The capture target's threshold; repaint: show it at once.
    void captureThresholdSet(bool repaint);
    // One sample joined the capture target.
    void sampleAppended();
    // A new record at the end (the next capture target), one removed, or
    // many at once (after a Stapel).
    void recordAppended();
    void recordRemoved(int index);
    void recordsReset();
    // The take-up of record `index` is complete (a new capture target
    // follows it).
    void recordEnded(int index);
    // After each batch of received bytes.
    void batchDone();
    void headerChanged();
    void fileNameChanged();
    // The document was written to `path`.
    void saved(const QString& path);
    // The file was read into the document.
    void loaded();

private:
    class Records;
    friend class Records;
    void ListeAngehaengt();
    void ListeEntfernt(int index);

    std::unique_ptr<Records> liste_;
    Rasters_t* list_;  // the same list, as the others see it
    int stapelTiefe_ = 0;
    bool stapelGeaendert_ = false;
    // The file a document loaded incompletely came from.
    QString unvollstaendigAus_;
};

}  // namespace ostrevik
