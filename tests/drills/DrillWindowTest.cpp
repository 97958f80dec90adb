#include "drills/DrillLibrary.h"
#include "drills/DrillRun.h"
#include "drills/DrillTexts.h"
#include "drills/ui/DrillViews.h"
#include "drills/ui/DrillWindow.h"
#include "drills/ui/VerdictPanel.h"
#include "measurement/MeasurementDocument.h"
#include "measurement/ui/DocumentWindow.h"

#include "analysis/ui/ActiveDocuments.h"

#include "NullDocumentHost.h"
#include "OneDocument.h"
#include "ScriptedModalUi.h"

#include <QFile>
#include <QTemporaryDir>

#include "CaptureTakeUp.h"

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

using test::OneDocument;

class DrillWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        documents.active = &document;
        keep({QStringLiteral("Zeitfenster"),
              {},
              3,
              FeedbackSchedule::Jede,
              {DrillCriterion::limits(Metric::Schuss_ms, 3000, 8000)}});
    }

    void keep(const Drill& drill) { ASSERT_TRUE(library.save(drill).ok()); }

    // A take-up as the device sends it: `before` samples at 120, the shot
    // (none when `shot` is false), 30 samples at 110.
    void takeUp(int before, bool shot = true) {
        test::captureTakeUp(document.Dokument(), before, 120, shot, 30, 110);
    }

    std::unique_ptr<DrillWindow> window(const QString& drill) {
        auto w = std::make_unique<DrillWindow>(documents, library.folder(),
                                               dir.filePath(QStringLiteral("archiv.sqlite")));
        EXPECT_TRUE(w->chooseDrill(drill));
        return w;
    }

    QTemporaryDir dir;
    DrillLibrary library{dir.filePath(QStringLiteral("Uebungen"))};
    test::ScriptedModalUi ui;
    test::NullDocumentHost host;
    TMDIChild document{host};
    OneDocument documents;
};

}  // namespace

// The shooter reads each verdict the moment the take-up ends: symbol, word,
// colour, the criteria missed with value and goal, the count, the strip and
// the curve with the shot's window; at the drill's end the summary.
TEST_F(DrillWindowTest, ShowsEachVerdictAtOnceAndSumsUpAtTheEnd) {
    takeUp(100);  // before the start: not the drill's
    auto w = window(QStringLiteral("Zeitfenster"));
    ASSERT_TRUE(w->start());
    EXPECT_EQ(w->verdict().progress(), QStringLiteral("0 von 3, davon 0 bestanden"));

    takeUp(200);  // the shot at 4 s
    EXPECT_EQ(w->verdict().symbol(), QStringLiteral("✔"));
    EXPECT_EQ(w->verdict().word(), QStringLiteral("Bestanden"));
    EXPECT_EQ(w->verdict().color(), kDrillPassedColor);
    EXPECT_TRUE(w->verdict().missed().isEmpty());
    EXPECT_EQ(w->curve().samples().size(), 231u);
    EXPECT_EQ(w->curve().goal().fromMs, 3000.0);
    EXPECT_EQ(w->curve().goal().toMs, 8000.0);

    takeUp(500);  // at 10 s
    EXPECT_EQ(w->verdict().symbol(), QStringLiteral("✘"));
    EXPECT_EQ(w->verdict().word(), QStringLiteral("Nicht bestanden"));
    EXPECT_EQ(w->verdict().color(), kDrillFailedColor);
    EXPECT_EQ(w->verdict().missed(), QStringLiteral("Zeit bis Schuss 10 s – Ziel 3 bis 8 s"));
    EXPECT_EQ(w->curve().samples().size(), 531u) << "the curve of the take-up just ended";

    takeUp(200, false);
    EXPECT_EQ(w->verdict().word(), QStringLiteral("Ohne Schuss – nicht gewertet"));
    EXPECT_TRUE(w->verdict().symbol().isEmpty());
    EXPECT_EQ(w->verdict().progress(), QStringLiteral("2 von 3, davon 1 bestanden; 1 ohne Schuss"));
    EXPECT_EQ(w->strip().text(), QStringLiteral("✔✘")) << "a mark per judged take-up";
    EXPECT_TRUE(w->summaryText().isEmpty());

    takeUp(300);
    EXPECT_EQ(w->verdict().word(), QStringLiteral("Bestanden"));
    EXPECT_EQ(w->strip().text(), QStringLiteral("✔✘✔"));
    EXPECT_FALSE(w->running());
    EXPECT_EQ(w->summaryText(), QStringLiteral("Übung „Zeitfenster“ beendet: 2 von 3 bestanden.\n"
                                               "Zeit bis Schuss 3 bis 8 s: 1-mal nicht erfüllt\n"
                                               "Druckpunktnahmen ohne Schuss: 1"));

    takeUp(500);  // after the end: the run follows no more
    EXPECT_EQ(w->verdict().word(), QStringLiteral("Bestanden"));
    EXPECT_EQ(w->run()->entries().size(), 4u);

    // Started again: a new run from the next take-up on.
    ASSERT_TRUE(w->start());
    EXPECT_TRUE(w->summaryText().isEmpty());
    EXPECT_TRUE(w->strip().text().isEmpty());
    takeUp(500);
    EXPECT_EQ(w->strip().text(), QStringLiteral("✘"));
    w->cancel();
    EXPECT_EQ(w->summaryText(), QStringLiteral("Übung abgebrochen."));
    takeUp(200);
    EXPECT_EQ(w->strip().text(), QStringLiteral("✘")) << "a cancelled run is not followed";
}

// A schedule that holds verdicts back shows only that the take-up counted,
// neither the verdict nor its curve; at the end all of them.
TEST_F(DrillWindowTest, TheScheduleHoldsVerdictsBackUntilTheEnd) {
    keep({QStringLiteral("Serie"),
          {},
          2,
          FeedbackSchedule::AmEnde,
          {DrillCriterion::limits(Metric::Schuss_ms, 3000, 8000)}});
    auto w = window(QStringLiteral("Serie"));
    ASSERT_TRUE(w->start());
    takeUp(500);
    EXPECT_EQ(w->verdict().word(), QStringLiteral("Druckpunktnahme 1 gewertet"));
    EXPECT_TRUE(w->verdict().symbol().isEmpty());
    EXPECT_TRUE(w->verdict().missed().isEmpty());
    EXPECT_TRUE(w->curve().samples().empty());
    EXPECT_EQ(w->strip().text(), QStringLiteral("·"));
    EXPECT_TRUE(w->run()->entries()[0].verdict.judged) << "computed and kept all the same";
    EXPECT_FALSE(w->run()->entries()[0].verdict.passed);

    takeUp(200);
    EXPECT_EQ(w->strip().text(), QStringLiteral("✘✔"));
    EXPECT_EQ(w->verdict().word(), QStringLiteral("Bestanden"));
    EXPECT_TRUE(w->summaryText().startsWith(QStringLiteral("Übung „Serie“ beendet: 1 von 2")));
}

// A drill does not start without a document, nor with a personal band the
// archive cannot make; a damaged drill file is not offered.
TEST_F(DrillWindowTest, AStartWithoutDocumentOrBandIsRefusedWithAMessage) {
    keep({QStringLiteral("Halten persönlich"),
          {},
          5,
          FeedbackSchedule::Jede,
          {DrillCriterion::band(Metric::Halt_160, 1.5)}});
    QFile damaged(library.folder() + QStringLiteral("/kaputt.json"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{");
    damaged.close();

    auto w = window(QStringLiteral("Halten persönlich"));
    EXPECT_EQ(w->drillNames().size(), 7) << "the five built in, the two own ones";
    EXPECT_FALSE(w->chooseDrill(QStringLiteral("kaputt")));

    ASSERT_FALSE(w->start());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith(
        QStringLiteral("Für den persönlichen Bereich von „Halt nach 160 ms“ braucht die Übung "
                       "30 archivierte Druckpunktnahmen")))
        << ui.messages[0].text.toStdString();
    EXPECT_EQ(w->run(), nullptr);

    documents.active = nullptr;
    ASSERT_TRUE(w->chooseDrill(QStringLiteral("Zeitfenster")));
    EXPECT_FALSE(w->start());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text,
              QStringLiteral("Eine Übung läuft in einem Dokument: zuerst ein Dokument öffnen "
                             "oder neu anlegen."));
    EXPECT_EQ(w->run(), nullptr);
}

// "Übung…" makes one window for the program's run; a document closed during
// a drill ends the run as cancelled, and nothing reads the document after.
TEST_F(DrillWindowTest, OneWindowAndADocumentClosedCancelsTheRun) {
    QWidget frame;
    struct Framed : OneDocument {
        QWidget* DialogParent() const override { return parent; }
        QWidget* parent = nullptr;
    } framed;
    framed.parent = &frame;
    Uebung(framed);
    Uebung(framed);
    ASSERT_EQ(frame.findChildren<DrillWindow*>().size(), 1);
    DrillWindow& w = *frame.findChild<DrillWindow*>();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Übung"));

    auto* closing = new TMDIChild(host);
    framed.active = closing;
    ASSERT_TRUE(w.chooseDrill(QStringLiteral("Schuss im Zeitfenster")));
    ASSERT_TRUE(w.start());
    EXPECT_TRUE(w.running());
    delete closing;
    EXPECT_FALSE(w.running());
    EXPECT_EQ(w.summaryText(), QStringLiteral("Übung abgebrochen."));
    framed.active = &document;
    EXPECT_TRUE(w.start()) << "a new run on another document";
    takeUp(200);
    EXPECT_EQ(w.verdict().word(), QStringLiteral("Bestanden"));
}

// Tones are off until asked for, then one per verdict shown (none for a
// take-up without a shot or a verdict held back); without an audio device
// the drill goes on silent, said once.
TEST_F(DrillWindowTest, ATonePerVerdictShownOnlyWhenAskedFor) {
    keep({QStringLiteral("Jede zweite"),
          {},
          4,
          FeedbackSchedule::JedeZweite,
          {DrillCriterion::limits(Metric::Schuss_ms, 3000, 8000)}});
    auto w = window(QStringLiteral("Jede zweite"));
    EXPECT_FALSE(w->sound());
    ASSERT_TRUE(w->start());
    takeUp(200);
    EXPECT_EQ(w->tonesGiven(), 0);

    w->setSound(true);
    const QString notice = w->soundNotice();
    EXPECT_TRUE(notice.isEmpty() || notice == DrillTexts::NoAudioDevice()) << notice.toStdString();
    takeUp(500);  // held back by the schedule
    takeUp(200, false);
    takeUp(500);
    takeUp(200);
    EXPECT_FALSE(w->running());
    EXPECT_EQ(w->tonesGiven(), 2) << "the 3rd take-up with a shot, and the 4th at the end";
    EXPECT_EQ(w->soundNotice(), notice);
}
