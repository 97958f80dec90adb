#pragma once

#include "analysis/Metrics.h"
#include "common/ui/ProgramDialog.h"
#include "scores/ScoreFile.h"
#include "scores/ScoreMatching.h"

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace ostrevik {

// "Ringe importieren": a target's shot list joined to the take-ups with a
// shot. When the file's header names no ring column, the user maps the
// columns (separator, header line, number, ring, x, y, time) over a preview
// of the first lines. Both sequences stand side by side (take-up, its time
// to the shot, the file's shot with its ring and time); when their counts
// differ the user shifts the start or leaves shots out. "Übernehmen" is
// offered once a shot has its take-up.
class ScoreImportDialog : public ProgramDialog {
    Q_OBJECT
public:
    // shots: the document's take-ups that have a shot, in order;
    // existingRings: how many rings the session has now (they are replaced).
    ScoreImportDialog(const QString& path, std::vector<TakeUpMetrics> shots, int existingRings,
                      QWidget* parent = nullptr);

    const ScoreFile& file() const { return file_; }
    const ScoreMatch& match() const { return match_; }
    SessionScores scores() const { return match_.scores(); }

    // The choices, as the user makes them.
    void setSeparator(int index);  // 0 automatic, 1 ';', 2 ',', 3 tab, 4 none
    void setHeaderLine(int line);  // from 1; 0: the file has none
    // The column of a field (0 number, 1 ring, 2 x, 3 y, 4 time) from 0; -1 none.
    void setColumn(int field, int column);
    void setOffset(int offset);
    void setLeftOut(int shotIndex, bool leftOut);

    // What the dialog says of the matching, and whether "Übernehmen" may be
    // pressed.
    QString resultText() const;
    bool canTakeOver() const;

private:
    QLabel* Datei = nullptr;
    QComboBox* Trennzeichen = nullptr;
    QSpinBox* Kopfzeile = nullptr;
    std::vector<QComboBox*> Spalten;  // number, ring, x, y, time
    QTableWidget* Vorschau = nullptr;
    QLabel* Erkannt = nullptr;
    QSpinBox* Versatz = nullptr;
    QTableWidget* Zuordnung = nullptr;
    QLabel* Ergebnis = nullptr;
    QPushButton* ButtonUebernehmen = nullptr;

    void read(const ScoreFileOptions& options);
    void readWithColumns();
    void showFile();
    void rematch();
    void showMatch();

    QString path_;
    std::vector<TakeUpMetrics> shots_;
    std::vector<ShotTakeUp> takeUps_;
    int existingRings_ = 0;
    ScoreFile file_;
    ScoreMatch match_;
    std::vector<int> leftOut_;
    bool filling_ = false;
};

}  // namespace ostrevik
