#pragma once

#include "device/CaptureDocument.h"
#include "measurement/Rasters.h"

namespace ostrevik::test {

// A document whose capture steps work on a real record list, and count what
// the decoder asked of it.
struct ListDocument : CaptureDocument {
    DisplaySettings settings = DisplaySettings::defaults();
    Rasters_t list{50, 4, 60, 60};
    int starts = 0;
    int batches = 0;
    int repaints = 0;
    bool changed = false;

    ListDocument() {
        list.Einstellungen = &settings;
        list.Anhaengen();
    }
    void RecordStarted() override { ++starts; }
    void SetCaptureThreshold(uint32_t t, bool repaint) override {
        list.Letzter().SetzeTonschwelle(t);
        repaints += repaint ? 1 : 0;
    }
    void AppendCaptureSample(uint8_t s) override {
        list.Letzter().WertAnhaengen(s);
        changed = true;
    }
    void RecordEnded() override { list.Anhaengen(); }
    void BatchDone() override { ++batches; }
};

}  // namespace ostrevik::test
