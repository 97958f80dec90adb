#include "app/HelpWindow.h"

#include "ScriptedModalUi.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

// Clicks the first link whose text contains the given words.
bool clickLink(ChmBrowser* browser, const QString& linkText) {
    QTextDocument* doc = browser->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().isAnchor() && f.text().contains(linkText)) {
                QTextCursor c(doc);
                c.setPosition(f.position() + 1);
                browser->setTextCursor(c);
                browser->ensureCursorVisible();
                const QPoint at = browser->cursorRect(c).center();
                QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
                return true;
            }
        }
    }
    return false;
}

}  // namespace

TEST(HelpWindow, EveryTopicPageOfTheProgramIsInTheHelpFile) {
    ChmArchive chm;
    ASSERT_TRUE(chm.open(QStringLiteral(OSTREVIK_CHM_PATH)));
    for (const char* page :
         {"Ovrik_Einleitung.html", "Ovrik_Einstellungen.html", "Ovrik_Zusatztext.html",
          "Ovrik_Verstaerkung.html", "Ovrik_Statistik.html", "Ovrik_Speicherbaenke.html",
          "Ovrik_EinstTongen.html"}) {
        bool ok = false;
        const QByteArray html = chm.read(QString::fromLatin1(page), &ok);
        EXPECT_TRUE(ok) << page;
        EXPECT_TRUE(html.contains("<h1>")) << page;
    }
    EXPECT_GE(chm.contents().size(), 7);
    EXPECT_EQ(chm.contents().first().page, QStringLiteral("Ovrik_Einleitung.html"));
}

TEST(HelpWindow, ShowsATopicAndFollowsLinksBetweenPages) {
    test::ScriptedModalUi ui;
    HelpWindow help;
    help.setHelpFile(QStringLiteral(OSTREVIK_CHM_PATH));
    ASSERT_TRUE(help.showTopic(QStringLiteral("Ovrik_Einleitung.html")));
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(help.browser()->toPlainText().contains(QStringLiteral("Abzugstraining")));
    EXPECT_EQ(help.currentPage(), QStringLiteral("Ovrik_Einleitung.html"));

    ASSERT_TRUE(clickLink(help.browser(), QStringLiteral("Statistik")));
    EXPECT_EQ(help.currentPage(), QStringLiteral("Ovrik_Statistik.html"));
    EXPECT_TRUE(help.browser()->toPlainText().contains(QStringLiteral("KEINE DATEN")));
    help.browser()->backward();
    EXPECT_EQ(help.currentPage(), QStringLiteral("Ovrik_Einleitung.html"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(HelpWindow, MissingFileOrPageIsReportedInGerman) {
    test::ScriptedModalUi ui;
    HelpWindow help;
    help.setHelpFile(QStringLiteral("/nonexistent/Ostrevik.chm"));
    EXPECT_FALSE(help.showTopic(QStringLiteral("Ovrik_Einleitung.html")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0].text,
        QStringLiteral("Die Hilfedatei /nonexistent/Ostrevik.chm konnte nicht geöffnet werden."));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));

    help.setHelpFile(QStringLiteral(OSTREVIK_CHM_PATH));
    EXPECT_FALSE(help.showTopic(QStringLiteral("Gibtsnicht.html")));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text,
              QStringLiteral("Die Hilfeseite Gibtsnicht.html wurde nicht gefunden."));
}
