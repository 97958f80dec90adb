#include "analysis/ui/ComparisonWindow.h"

#include "AppFixture.h"
#include "TestFiles.h"

#include <QMenu>

#include <gtest/gtest.h>

using namespace ostrevik;
using test::waitUntil;

namespace {

using ExportMenuTest = test::AppFixture;

QAction* item(QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions()) {
        if (a->text() == text) {
            return a;
        }
    }
    ADD_FAILURE() << "no item " << text.toStdString();
    return nullptr;
}

}  // namespace

TEST_F(ExportMenuTest, ActiveDocumentExportedAndOpenDocumentsCompared) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    QMenu& menu = *form->Actions().Analyse1;
    QAction* csv = item(menu, QStringLiteral("Als &CSV exportieren…"));
    QAction* bericht = item(menu, QStringLiteral("&Bericht als PDF…"));
    QAction* vergleichen = item(menu, QStringLiteral("Trainingseinheiten &vergleichen…"));
    ASSERT_TRUE(csv && bericht && vergleichen);
    emit menu.aboutToShow();
    EXPECT_FALSE(csv->isEnabled());
    EXPECT_FALSE(bericht->isEnabled());
    EXPECT_TRUE(vergleichen->isEnabled());

    TMDIChild* doc = newDocument();
    sim.QueueTakeUps(3);
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 4; }, 10000));
    emit menu.aboutToShow();
    EXPECT_TRUE(csv->isEnabled());
    ui.fileAnswers.push_back(dir.filePath(QStringLiteral("einheit.csv")));
    csv->trigger();
    EXPECT_EQ(test::readAll(dir.filePath(QStringLiteral("einheit-takeups.csv"))).count('\n'), 4);
    ui.fileAnswers.push_back(dir.filePath(QStringLiteral("einheit.pdf")));
    bericht->trigger();
    EXPECT_TRUE(test::readAll(dir.filePath(QStringLiteral("einheit.pdf"))).startsWith("%PDF"));
    EXPECT_TRUE(ui.messages.empty()) << ui.messageTexts().join('\n').toStdString();

    // With two documents open they are compared without a file dialog.
    newDocument();
    vergleichen->trigger();
    auto* window = form->findChild<TComparisonForm*>();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(window->Comparison().sessions.size(), 2u);
    EXPECT_EQ(window->Comparison().sessions[0].takeUps + window->Comparison().sessions[1].takeUps,
              3);
    EXPECT_TRUE(ui.openRequests.empty());
}
