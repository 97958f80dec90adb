#include "measurement/ui/FileHeaderDialog.h"

#include "measurement/ui/DocumentWindow.h"

#include "NullDocumentHost.h"
#include "ScriptedModalUi.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrevik;
using ostrevik::test::ScriptedModalUi;

namespace {

class FileHeaderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.SetzeDateiname(QStringLiteral("/home/anna/Training/2026-12-07.pvo"));
        window.Kopf.setName(QStringLiteral("Anna"));
        window.Kopf.setDatum(QStringLiteral("07.12.2026"));
        window.Kopf.setText(QStringLiteral("Luftpistole"));
    }

    test::NullDocumentHost host;
    ScriptedModalUi ui;
    TMDIChild window{host};
    TForm4 dialog;
};

}  // namespace

TEST_F(FileHeaderDialogTest, LayoutTextsAndLimits) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Dateiheader"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Name:"));
    EXPECT_EQ(dialog.Label2->text(), QStringLiteral("Datum:"));
    EXPECT_EQ(dialog.Label3->text(), QStringLiteral("Text:"));
    EXPECT_EQ(dialog.Button1->text(), QStringLiteral("&Ok"));
    EXPECT_EQ(dialog.ButtonHilfe->text(), QStringLiteral("&Hilfe F1"));
    EXPECT_EQ(dialog.Button2->text(), QStringLiteral("&Abbrechen"));
    EXPECT_TRUE(dialog.Button1->isDefault());
    // Tab order: date, name, text, then the buttons.
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.Edit2->setFocus();
    const QWidget* expected[] = {dialog.Edit1, dialog.Edit3, dialog.Button1, dialog.ButtonHilfe,
                                 dialog.Button2};
    for (const QWidget* w : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), w);
    }
    dialog.hide();

    // The limits of the header fields: longer texts cannot be typed.
    const std::pair<QLineEdit*, int> limits[] = {
        {dialog.Edit1, 24}, {dialog.Edit2, 10}, {dialog.Edit3, 74}};
    for (auto [edit, limit] : limits) {
        edit->clear();
        QTest::keyClicks(edit, QString(80, QLatin1Char('x')));
        EXPECT_EQ(edit->text().size(), limit);
    }
}

TEST_F(FileHeaderDialogTest, OkTakesTheTextsAndMarksTheDocumentChanged) {
    ui.onExecDialog = [&](QDialog& d) {
        EXPECT_EQ(&d, &dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("2026-12-07.pvo"));
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("Anna"));
        EXPECT_EQ(dialog.Edit2->text(), QStringLiteral("07.12.2026"));
        EXPECT_EQ(dialog.Edit3->text(), QStringLiteral("Luftpistole"));
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(QApplication::focusWidget(), dialog.Edit1);  // the name first
        dialog.Edit1->setText(QStringLiteral("Jörg"));
        dialog.Edit2->setText(QString());
        dialog.Edit3->setText(QStringLiteral("  Zielfernrohr  "));
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        return dialog.result();
    };
    EXPECT_EQ(ZusatztextBearbeiten(dialog, window), QDialog::Accepted);
    EXPECT_TRUE(window.Geaendert);
    EXPECT_EQ(window.Kopf.name(), QStringLiteral("Jörg"));
    EXPECT_EQ(window.Kopf.datum(), QString());
    EXPECT_EQ(window.Kopf.Datum[0], '\0');
    EXPECT_EQ(window.Kopf.text(), QStringLiteral("  Zielfernrohr  "));  // taken as typed
    // Shortened: two letters and a zero; the bytes after it stay.
    EXPECT_EQ(window.Kopf.Name[0], 'J');
    EXPECT_EQ(window.Kopf.Name[1], '\xF6');
    EXPECT_EQ(window.Kopf.Name[4], '\0');
    EXPECT_EQ(window.Kopf.kopfzeile(), QStringLiteral("Jörg -  -   Zielfernrohr  "));

    // The document now asks before it closes.
    window.FensterEintrag = nullptr;
    ui.messageAnswers = {MessageAnswer::Cancel};
    EXPECT_FALSE(window.FormCloseQuery());
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(FileHeaderDialogTest, OkWithoutChangesStillMarksTheDocumentChanged) {
    const QByteArray before = window.Kopf.toBytes();
    ui.onExecDialog = [](QDialog&) { return int(QDialog::Accepted); };
    ZusatztextBearbeiten(dialog, window);
    EXPECT_TRUE(window.Geaendert);
    EXPECT_EQ(window.Kopf.toBytes(), before);
}

TEST_F(FileHeaderDialogTest, CancelLeavesHeaderAndFlag) {
    const QByteArray before = window.Kopf.toBytes();
    ui.onExecDialog = [&](QDialog&) {
        dialog.Edit1->setText(QStringLiteral("Xaver"));
        return int(QDialog::Rejected);
    };
    EXPECT_EQ(ZusatztextBearbeiten(dialog, window), QDialog::Rejected);
    EXPECT_FALSE(window.Geaendert);
    EXPECT_EQ(window.Kopf.toBytes(), before);
}

TEST_F(FileHeaderDialogTest, F1AndTheHelpButtonOpenTheTopic) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.Edit1, Qt::Key_F1);
    QTest::mouseClick(dialog.ButtonHilfe, Qt::LeftButton);
    EXPECT_EQ(ui.helpTopics, QStringList({"Ovrik_Zusatztext.html", "Ovrik_Zusatztext.html"}));
    EXPECT_TRUE(dialog.isVisible());
    dialog.hide();
}
