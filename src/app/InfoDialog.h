#pragma once

#include "common/ui/ProgramDialog.h"

#include <QImage>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

namespace ostrevik {

// "Info Ostrevik": the program's name and version and the maker's details,
// above a picture of the program's own.
class TPvxInfoDlg : public ProgramDialog {
    Q_OBJECT
public:
    explicit TPvxInfoDlg(QWidget* parent = nullptr);

    // Sets the info text (run on showing).
    void FormShow() override;

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* OKBtn = nullptr;
};

// The eight lines of the info text, each ended by a line feed.
QString InfoText();

// The picture at the bottom of the info panel: a trigger pressure curve rising
// to the shot, drawn by the program itself so that it needs no image file.
QImage InfoPicture(const QSize& size);

}  // namespace ostrevik
