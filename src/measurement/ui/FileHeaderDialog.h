#pragma once

#include "common/ui/ProgramDialog.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ostrevik {

class TMDIChild;

// The file header dialog: name, date and free text of a document, limited to
// what the file's header fields hold. One instance serves every opening.
class TForm4 : public ProgramDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    // Puts the caret into the name field.
    void FormShow() override;

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;  // name
    QLineEdit* Edit2 = nullptr;  // date
    QLineEdit* Edit3 = nullptr;  // text
    QPushButton* Button1 = nullptr;
    QPushButton* ButtonHilfe = nullptr;
    QPushButton* Button2 = nullptr;
};

// "Zusatztext F3" on a document window: shows its header in the dialog and
// takes the texts back on OK, marking the document changed. The header row
// is drawn again in any case. Returns the dialog's result.
int ZusatztextBearbeiten(TForm4& dialog, TMDIChild& window);

}  // namespace ostrevik
