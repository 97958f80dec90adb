#pragma once

#include "ScriptedModalUi.h"
#include "measurement/MeasurementFile.h"
#include "measurement/Rasters.h"
#include "settings/DisplaySettings.h"

#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ostrevik::test {

// A document of completed records and a PDF printer that a scripted print
// dialog points at a file.
class PrintFixture : public ::testing::Test {
protected:
    PrintFixture();

    // Appends n completed records: a rise to 200 with the threshold 100 met
    // exactly on the way, and a shot after it.
    void records(int n);

    // The print dialog's answer: output to `datei` (in the temporary
    // directory), pages von..bis (0: all), copies.
    void dialogAntwort(const QString& datei, int von = 0, int bis = 0, int kopien = 1);

    QString pfad(const QString& datei) const { return dir.filePath(datei); }

    DisplaySettings settings;
    Rasters_t list{50, 4, 60, 60};
    Dateiheader_t kopf;
    QTemporaryDir dir;
    ScriptedModalUi ui;
    QPrinter printer{QPrinter::HighResolution};
    int dialogs = 0;
    int dialogMin = -1;
    int dialogMax = -1;
};

}  // namespace ostrevik::test
