#pragma once

#include "analysis/LiveAnalysis.h"
#include "analysis/SessionAnalysis.h"
#include "measurement/MeasurementDocument.h"
#include "settings/DisplaySettings.h"

#include <QFileInfo>
#include <QPointer>

namespace ostrevik {

// What the tabs of the window "Analyse" show: the live analysis of one
// document, drawn with the display settings the document's records are drawn
// with. The document goes before the window when its window closes; from
// then on there is nothing to show.
class AnalysisSource {
public:
    explicit AnalysisSource(MeasurementDocument& document)
        : document_(&document), live_(&LiveAnalysis::of(document)) {}

    MeasurementDocument* document() const { return document_; }
    LiveAnalysis* live() const { return live_; }

    const SessionAnalysis& analysis() const {
        static const SessionAnalysis none;
        return live_ ? live_->analysis() : none;
    }
    const DisplaySettings& display() const {
        static const DisplaySettings defaults = DisplaySettings::defaults();
        return document_ && document_->Liste().Einstellungen ? *document_->Liste().Einstellungen
                                                             : defaults;
    }
    // The document's file name without its folder.
    QString fileName() const {
        return document_ ? QFileInfo(document_->Dateiname).fileName() : QString();
    }
    // Drops the document (it is being destroyed).
    void forget() {
        document_.clear();
        live_.clear();
    }

private:
    QPointer<MeasurementDocument> document_;
    QPointer<LiveAnalysis> live_;
};

}  // namespace ostrevik
