#include "measurement/ui/FileHeaderDialog.h"

#include "common/HelpTopics.h"
#include "common/ui/ModalUi.h"
#include "measurement/ui/DocumentWindow.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ostrevik {

TForm4::TForm4(QWidget* parent) : ProgramDialog(parent, HelpTopics::Zusatztext) {
    setWindowTitle(QStringLiteral("Dateiheader"));
    MakeFixedForm(432, 126);

    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setGeometry(8, 5, 417, 73);

    Label2 = new QLabel(QStringLiteral("Datum:"), Panel1);
    Label2->setGeometry(5, 11, 40, 16);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Edit2 = new QLineEdit(Panel1);
    Edit2->setGeometry(48, 8, 81, 21);

    Label1 = new QLabel(QStringLiteral("Name:"), Panel1);
    Label1->setGeometry(166, 11, 32, 16);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setGeometry(200, 8, 201, 21);

    Label3 = new QLabel(QStringLiteral("Text:"), Panel1);
    Label3->setGeometry(5, 43, 40, 16);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Edit3 = new QLineEdit(Panel1);
    Edit3->setGeometry(48, 40, 353, 21);

    Label2->setBuddy(Edit2);
    Label1->setBuddy(Edit1);
    Label3->setBuddy(Edit3);

    Edit1->setMaxLength(24);
    Edit2->setMaxLength(10);
    Edit3->setMaxLength(74);

    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setGeometry(95, 90, 75, 25);
    Button1->setDefault(true);
    ButtonHilfe = MakeHelpButton();
    ButtonHilfe->setGeometry(179, 90, 75, 25);
    ButtonHilfe->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("&Abbrechen"), this);
    Button2->setGeometry(263, 90, 75, 25);
    Button2->setAutoDefault(false);

    setTabOrder(Edit2, Edit1);
    setTabOrder(Edit1, Edit3);
    setTabOrder(Edit3, Button1);
    setTabOrder(Button1, ButtonHilfe);
    setTabOrder(ButtonHilfe, Button2);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm4::FormShow() {
    Edit1->setFocus();
}

int ZusatztextBearbeiten(TForm4& dialog, TMDIChild& window) {
    dialog.setWindowTitle(QFileInfo(window.Dateiname).fileName());
    dialog.Edit1->setMaxLength(Dateiheader_t::kNameMax);
    dialog.Edit1->setText(window.Kopf.name());
    dialog.Edit2->setMaxLength(Dateiheader_t::kDatumMax);
    dialog.Edit2->setText(window.Kopf.datum());
    dialog.Edit3->setMaxLength(Dateiheader_t::kTextMax);
    dialog.Edit3->setText(window.Kopf.text());

    const int ergebnis = modalUi().execDialog(dialog);
    if (ergebnis == QDialog::Accepted) {
        window.Kopf.setName(dialog.Edit1->text());
        window.Kopf.setDatum(dialog.Edit2->text());
        window.Kopf.setText(dialog.Edit3->text());
        window.Geaendert = true;
    }
    window.DrawGrid1->Invalidate();
    return ergebnis;
}

}  // namespace ostrevik
