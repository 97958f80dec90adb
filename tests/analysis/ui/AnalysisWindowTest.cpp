#include "analysis/ui/AnalysisWindow.h"

#include "analysis/ui/OverlayTab.h"
#include "analysis/ui/PlotView.h"
#include "analysis/ui/TakeUpTableModel.h"
#include "analysis/ui/TakeUpTableTab.h"
#include "analysis/ui/TrendTab.h"

#include "AppFixture.h"
#include "NullDocumentHost.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

using namespace ostrevik;
using test::waitUntil;

namespace {

using Samples = std::vector<uint8_t>;

// Flat at level for `before` samples, the shot, flat for `after` samples.
Samples flatShot(uint8_t level, int before, int after) {
    Samples s(static_cast<size_t>(before), level);
    s.push_back(kShotMark);
    s.insert(s.end(), static_cast<size_t>(after), level);
    return s;
}

double percent(int value) {
    return value * 100.0 / 254.0;
}

QRgb pixelAt(PlotView& view, double seconds, double pressure) {
    const QPoint p = view.mapping().toPixel(seconds, pressure).toPoint();
    return view.image().pixel(p) | 0xFF000000u;
}

QPoint pointOf(PlotView& view, double seconds, double pressure) {
    return view.mapping().toPixel(seconds, pressure).toPoint();
}

QAction* analysisCommand(TForm1& form) {
    for (QAction* a : form.Actions().Analyse1->actions()) {
        if (a->objectName() == QLatin1String("AnalyseAnzeigen")) {
            return a;
        }
    }
    return nullptr;
}

using AnalysisWindowLiveTest = test::AppFixture;

}  // namespace

// A coach opens the window during a session streamed at the device's real
// rate and watches the take-ups arrive.
TEST_F(AnalysisWindowLiveTest, FollowsTheSessionAndSelectsWhatIsClicked) {
    qtxsim::SimulatorOptions options;
    options.pace = qtxsim::Pace::RealTime;
    qtxsim::Simulator& sim = addDevice(1, options);
    start();
    QAction* command = analysisCommand(*form);
    ASSERT_NE(command, nullptr);
    EXPECT_FALSE(command->isEnabled()) << "no document yet";
    TMDIChild* doc = newDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(command->isEnabled());

    command->trigger();
    command->trigger();
    ASSERT_EQ(doc->findChildren<AnalysisWindow*>().size(), 1) << "one window per document";
    QPointer<AnalysisWindow> w = doc->findChild<AnalysisWindow*>();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Analyse - UNBENANNT1.pvo"));
    EXPECT_TRUE(w->analysis().rows.empty());

    // 40 %, no shot, 60 %: the mean runs at 50 % before the shot.
    const std::vector<qtxsim::Record> records = {
        {200, flatShot(102, 60, 20)}, {200, Samples(40, 90)}, {200, flatShot(152, 60, 20)}};
    for (size_t i = 0; i < records.size(); ++i) {
        sim.QueueRecord(records[i]);
        ASSERT_TRUE(
            waitUntil([&] { return doc->Liste->Anzahl() == static_cast<int>(i) + 2; }, 15000));
        // Shown within a second of the take-up's end.
        EXPECT_TRUE(
            waitUntil([&] { return static_cast<size_t>(w->tableRowCount()) == i + 1; }, 1000))
            << i;
    }
    EXPECT_EQ(w->analysis().overlay.curves.size(), 2u);
    EXPECT_EQ(w->overlayTab().caption().toStdString(),
              "2 Druckpunktnahmen mit Schuss, 1 ohne Schuss (nicht gezeigt)");
    EXPECT_EQ(w->tableRowCount(), 3);

    PlotView& overlay = w->overlayTab().plot();
    EXPECT_EQ(pixelAt(overlay, -0.6, 50.0), qRgb(0, 0, 0)) << "the mean curve";
    EXPECT_EQ(pixelAt(overlay, -0.6, percent(152)), qRgb(255, 0, 0)) << "the newest take-up";

    QTest::mouseClick(&overlay, Qt::LeftButton, {}, pointOf(overlay, -0.6, percent(102)));
    EXPECT_EQ(w->highlighted(), 0);
    TakeUpTableTab& table = w->tableTab();
    EXPECT_EQ(table.listIndexAt(table.currentRow()), 0);
    EXPECT_EQ(doc->DrawGrid1->Row(), 1) << "the record's row in the document window";
    EXPECT_EQ(pixelAt(overlay, -0.6, percent(102)), qRgb(0, 0, 255)) << "in the shot colour";
    EXPECT_TRUE(
        w->overlayTab().selectionText().startsWith(QStringLiteral("Druckpunktnahme 0001: ")));

    table.chooseRow(table.rowOf(2));
    EXPECT_EQ(w->highlighted(), 2);
    EXPECT_EQ(doc->DrawGrid1->Row(), 3);

    // The window goes with its document.
    ui.messageAnswers = {MessageAnswer::No};
    doc->parentWidget()->close();
    EXPECT_TRUE(waitUntil([&] { return w.isNull(); }));
    EXPECT_FALSE(command->isEnabled());
}

namespace {

class AnalysisWindowTest : public ::testing::Test {
protected:
    void SetUp() override { document.show(); }

    void add(const Samples& samples, uint8_t threshold = 100) {
        Raster_t& r = document.Liste->Letzter();
        r.SetzeTonschwelle(threshold);
        for (uint8_t v : samples) {
            r.WertAnhaengen(v);
        }
        document.Dokument().RecordEnded();
    }

    std::vector<int> numbersInTableOrder(AnalysisWindow& w) const {
        std::vector<int> out;
        for (int r = 0; r < w.tableTab().rowCount(); ++r) {
            out.push_back(w.tableTab().listIndexAt(r) + 1);
        }
        return out;
    }

    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("Analyse.ini"));
    test::ScriptedModalUi ui;
    test::NullDocumentHost host;
    TMDIChild document{host};
};

}  // namespace

TEST_F(AnalysisWindowTest, SortsNumbersAsNumbersWithEmptyValuesLastBothWays) {
    // Time to shot 1020 ms, none, 980 ms, 2000 ms: as text "980" would sort last.
    add(flatShot(120, 51, 10));
    add(Samples(60, 120));
    add(flatShot(120, 49, 10));
    add(flatShot(120, 100, 10));
    AnalysisWindow w(document, settingsPath);
    w.show();
    const int column = TakeUpTableModel::columnOf(Metric::Schuss_ms);

    TakeUpTableTab& table = w.tableTab();
    table.sortBy(column, Qt::AscendingOrder);
    EXPECT_EQ(numbersInTableOrder(w), (std::vector<int>{3, 1, 4, 2}));
    table.sortBy(column, Qt::DescendingOrder);
    EXPECT_EQ(numbersInTableOrder(w), (std::vector<int>{4, 1, 3, 2}));
    EXPECT_EQ(table.cellText(3, column), QString());

    // A new take-up joins the sorted table in its place; the choice stays.
    w.highlight(0);
    add(flatShot(120, 75, 10));
    ASSERT_TRUE(waitUntil([&] { return w.tableRowCount() == 5; }, 1000));
    EXPECT_EQ(numbersInTableOrder(w), (std::vector<int>{4, 5, 1, 3, 2}));
    EXPECT_EQ(table.listIndexAt(table.currentRow()), 0);
    EXPECT_EQ(w.highlighted(), 0);
}

TEST_F(AnalysisWindowTest, ThresholdsRetagAndAreKeptForTheNextWindow) {
    // A rise of 100 raw (39,4 points) over the last 0,2 s: "Zucken" at 25.
    Samples jerk(40, 100);
    for (int i = 1; i <= 10; ++i) {
        jerk.push_back(static_cast<uint8_t>(100 + 10 * i));
    }
    jerk.push_back(kShotMark);
    jerk.insert(jerk.end(), 10, 200);
    add(jerk);
    add(flatShot(120, 60, 10));
    const int tags = TakeUpTableModel::kTagsColumn;
    {
        AnalysisWindow w(document, settingsPath);
        EXPECT_EQ(w.tableTab().takeUpCell(0, tags), QStringLiteral("Zucken"));
        FaultThresholds t = w.tableTab().thresholds();
        t.zuckenAnstieg = 45.0;
        w.tableTab().setThresholds(t);
        EXPECT_EQ(w.tableTab().takeUpCell(0, tags), QString());
        EXPECT_EQ(w.statusText(), QString());
    }
    AnalysisWindow again(document, settingsPath);
    EXPECT_DOUBLE_EQ(again.settings().zuckenAnstieg, 45.0);
    EXPECT_DOUBLE_EQ(again.tableTab().thresholds().zuckenAnstieg, 45.0);

    // A settings file that cannot be written is said so, not passed over.
    AnalysisWindow unwritable(document, dir.path());
    FaultThresholds t = unwritable.tableTab().thresholds();
    t.nachlassenHalt = 70.0;
    unwritable.tableTab().setThresholds(t);
    EXPECT_TRUE(unwritable.statusText().contains(dir.path()));
    EXPECT_DOUBLE_EQ(unwritable.settings().nachlassenHalt, 70.0) << "it holds all the same";
}

TEST_F(AnalysisWindowTest, FollowsALoadedFileAndARemovedRecord) {
    add(flatShot(120, 60, 10));
    add(Samples(60, 120));
    add(flatShot(140, 60, 10));
    document.SetzeDateiname(dir.filePath(QStringLiteral("serie.pvo")));
    ASSERT_TRUE(document.DateiSpeichern());

    TMDIChild loaded(host);
    loaded.show();
    loaded.SetzeDateiname(document.Dateiname);
    AnalysisWindow w(loaded, settingsPath);
    w.show();
    ASSERT_TRUE(loaded.DateiLaden());
    ASSERT_TRUE(waitUntil([&] { return w.tableRowCount() == 3; }, 1000));

    // The highlighted record is the document's current row; removing it
    // leaves nothing highlighted rather than the record that moved up.
    w.highlight(1);
    EXPECT_EQ(loaded.DrawGrid1->Row(), 2);
    loaded.Entfernen1Click();
    ASSERT_TRUE(waitUntil([&] { return w.tableRowCount() == 2; }, 1000));
    EXPECT_FALSE(w.highlighted());
    EXPECT_EQ(w.tableRowCount(), 2);
    EXPECT_EQ(w.analysis().overlay.curves.size(), 2u);
}

TEST_F(AnalysisWindowTest, AfterLiveTakeUpsShowsWhatAWindowOpenedAfresh) {
    AnalysisWindow w(document, settingsPath);
    w.show();
    auto takeUp = [&](int i) {
        add(i % 4 == 2 ? Samples(50, 90)
                       : flatShot(static_cast<uint8_t>(80 + 13 * i), 40 + 9 * i, 5 + i),
            static_cast<uint8_t>(90 + 7 * i));
        return waitUntil([&] { return w.tableRowCount() == document.Liste->Anzahl() - 1; }, 1000);
    };
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(takeUp(i)) << i;
    }
    // The trend follows while its tab is shown, the overlay while it is not.
    w.chooseTab(AnalysisWindow::kTrendTab);
    for (int i = 5; i < 8; ++i) {
        ASSERT_TRUE(takeUp(i)) << i;
    }
    // A record removed: everything anew; the highlighted take-up before it
    // stays highlighted.
    w.highlight(1);
    document.Liste->Entfernen(3);
    ASSERT_TRUE(waitUntil([&] { return w.tableRowCount() == 7; }, 1000));
    EXPECT_EQ(w.highlighted(), 1);
    w.chooseTab(AnalysisWindow::kOverlayTab);
    for (int i = 8; i < 11; ++i) {
        ASSERT_TRUE(takeUp(i)) << i;
    }

    AnalysisWindow fresh(document, settingsPath);
    fresh.show();
    fresh.highlight(1);
    EXPECT_EQ(w.overlayTab().caption(), fresh.overlayTab().caption());
    EXPECT_EQ(w.overlayTab().selectionText(), fresh.overlayTab().selectionText());
    ASSERT_EQ(w.tableRowCount(), 10);
    ASSERT_EQ(fresh.tableRowCount(), 10);
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < w.tableTab().columnCount(); ++c) {
            EXPECT_EQ(w.tableTab().takeUpCell(r, c), fresh.tableTab().takeUpCell(r, c))
                << r << ", " << c;
        }
    }
    ASSERT_EQ(w.overlayTab().plot().size(), fresh.overlayTab().plot().size());
    EXPECT_TRUE(w.overlayTab().plot().image() == fresh.overlayTab().plot().image());

    w.chooseTab(AnalysisWindow::kTrendTab);
    fresh.chooseTab(AnalysisWindow::kTrendTab);
    TrendTab& trend = w.trendTab();
    TrendTab& freshTrend = fresh.trendTab();
    ASSERT_TRUE(waitUntil([&] { return trend.plot().size() == freshTrend.plot().size(); }));
    EXPECT_TRUE(trend.plot().image() == freshTrend.plot().image());
    ASSERT_EQ(trend.seriesRowCount(), freshTrend.seriesRowCount());
    for (int r = 0; r < trend.seriesRowCount(); ++r) {
        for (int c = 0; c < trend.seriesColumnCount(); ++c) {
            EXPECT_EQ(trend.seriesCell(r, c), freshTrend.seriesCell(r, c));
            EXPECT_EQ(trend.seriesCellBold(r, c), freshTrend.seriesCellBold(r, c));
        }
    }
    for (int c = 0; c < trend.seriesColumnCount(); ++c) {
        EXPECT_EQ(trend.seriesColumnWidth(c), freshTrend.seriesColumnWidth(c));
    }
}

// After a take-up the overlay and its caption are painted anew, not the
// whole window: a new count must not lay out the tabs and repaint them all.
TEST_F(AnalysisWindowTest, ATakeUpRepaintsTheOverlayNotTheTabs) {
    for (int i = 0; i < 12; ++i) {
        add(flatShot(static_cast<uint8_t>(100 + i), 50 + i, 10));
    }
    AnalysisWindow w(document, settingsPath);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(50);
    struct PaintCounter : QObject {
        std::map<QString, int> paints;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                ++paints[QString::fromLatin1(watched->metaObject()->className())];
            }
            return false;
        }
    } counter;
    qApp->installEventFilter(&counter);
    add(flatShot(120, 70, 10));
    ASSERT_TRUE(waitUntil([&] { return w.tableRowCount() == 13; }, 1000));
    QTest::qWait(50);
    qApp->removeEventFilter(&counter);
    EXPECT_EQ(counter.paints["ostrevik::PlotView"], 1);
    EXPECT_EQ(counter.paints["QTabBar"], 0);
    EXPECT_EQ(counter.paints["QCheckBox"], 0);
}
