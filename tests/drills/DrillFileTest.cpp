#include "drills/DrillFile.h"
#include "drills/DrillLibrary.h"
#include "drills/DrillTexts.h"

#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;
using Kind = DrillFileError::Kind;

namespace {

// A drill file around the given criteria and fields.
QByteArray drillText(const char* criteria, const char* more = "") {
    return QByteArray(R"({"format": "ostrevik-uebung", "version": 1, "name": "Test", )") + more +
           R"("takeups": 10, "feedback": "jede", "criteria": [)" + criteria + "]}";
}

Drill ownDrill(const QString& name) {
    Drill d;
    d.name = name;
    d.description = QStringLiteral("Für den Verein: „Halt“ über 1,5 Bänder");
    d.takeUps = 30;
    d.feedback = FeedbackSchedule::JedeZweite;
    d.criteria = {DrillCriterion::band(Metric::Halt_160, 1.5),
                  DrillCriterion::band(Metric::Druck_Schuss, 2, 45),
                  DrillCriterion::limits(Metric::Ton_ms, 500.5, std::nullopt),
                  DrillCriterion::noTag(Tag::Zucken)};
    return d;
}

}  // namespace

TEST(DrillFile, RoundTrip) {
    std::vector<Drill> drills = builtInDrills();
    drills.push_back(ownDrill(QStringLiteral("Nachhalten persönlich")));
    for (const Drill& d : drills) {
        const DrillRead read = parseDrill(drillJson(d));
        EXPECT_TRUE(read.error.ok()) << DrillTexts::FileProblem(read.error).toStdString();
        EXPECT_EQ(read.drill, d) << d.name.toStdString();
    }
    // As the format is documented, with "last" and "description" left out.
    const DrillRead read =
        parseDrill(drillText(R"({"metric": "Schuss_ms", "min": 3000, "max": 8000},
                     {"tag": "Zucken", "allowed": false},
                     {"metric": "Halt_160", "band": "personal", "k": 1.5})"));
    ASSERT_TRUE(read.error.ok()) << DrillTexts::FileProblem(read.error).toStdString();
    EXPECT_EQ(read.drill.criteria[2], DrillCriterion::band(Metric::Halt_160, 1.5, 30));
}

// Every refusal has its reason; nothing half understood is run.
TEST(DrillFile, HostileFilesAreRefusedWithTheirReason) {
    struct Case {
        QByteArray text;
        Kind kind;
        int criterion;
    };
    const QByteArray schuss = R"({"metric": "Schuss_ms", "max": 8000})";
    const Case cases[] = {
        {"{\"format\": ", Kind::NotJson, 0},
        {"[]", Kind::WrongFormat, 0},
        {R"({"format": "ostrevik-uebung", "version": 2})", Kind::WrongVersion, 0},
        {R"({"format": "andere", "version": 1})", Kind::WrongFormat, 0},
        {drillText(schuss, R"("extra": 1, )"), Kind::UnknownKey, 0},
        {drillText(schuss, R"("description": 5, )"), Kind::WrongType, 0},
        {drillText(schuss).replace("\"Test\"", "\"Zeile\\nzwei\""), Kind::NameHasControl, 0},
        {drillText(schuss).replace("\"Test\"", "\"  \""), Kind::NameEmpty, 0},
        {drillText(schuss).replace("10,", "0,"), Kind::TakeUpsOutOfRange, 0},
        {drillText(schuss).replace("10,", "2.5,"), Kind::TakeUpsOutOfRange, 0},
        {drillText(schuss).replace("10,", "1e9,"), Kind::TakeUpsOutOfRange, 0},
        {drillText(schuss).replace("\"jede\"", "\"oft\""), Kind::FeedbackUnknown, 0},
        {drillText(""), Kind::NoCriteria, 0},
        {drillText(R"({"metric": "Schuss_ms", "min": 1e999})"), Kind::NotJson, 0},
        {drillText(R"(7)"), Kind::WrongType, 1},
        {drillText(R"({"metric": "Druck"})"), Kind::MetricUnknown, 1},
        {drillText(R"({"metric": "Abweichung", "max": 5})"), Kind::NotACriterion, 1},
        {drillText(R"({"tag": "Unruhig", "allowed": false})"), Kind::NotACriterion, 1},
        {drillText(R"({"tag": "Mucken", "allowed": false})"), Kind::TagUnknown, 1},
        {drillText(R"({"tag": "Zucken", "allowed": true})"), Kind::TagAllowed, 1},
        {drillText(R"({"tag": "Zucken", "metric": "Ton_ms"})"), Kind::MetricAndTag, 1},
        {drillText(R"({"metric": "Ton_ms", "mni": 3})"), Kind::UnknownKey, 1},
        {drillText(R"({"metric": "Ton_ms"})"), Kind::NoLimit, 1},
        {drillText(schuss + R"(, {"metric": "Ton_ms", "min": 9, "max": 8})"), Kind::LimitsReversed,
         2},
        {drillText(schuss + "," + schuss), Kind::Duplicate, 2},
        {drillText(R"({"metric": "Halt_160", "band": "personal", "k": 0})"), Kind::BandFactor, 1},
        {drillText(R"({"metric": "Halt_160", "band": "personal", "k": -1})"), Kind::BandFactor, 1},
        {drillText(R"({"metric": "Halt_160", "band": "team", "k": 1})"), Kind::BandUnknown, 1},
        {drillText(R"({"metric": "Halt_160", "band": "personal", "k": 1, "last": 10})"),
         Kind::BandLength, 1},
        {drillText(R"({"metric": "Halt_160", "band": "personal", "k": 1, "min": 3})"),
         Kind::BandWithLimits, 1},
        {QByteArray(kDrillFileMaxBytes, ' ') + drillText(schuss), Kind::TooLarge, 0},
    };
    for (const Case& c : cases) {
        const DrillRead read = parseDrill(c.text);
        EXPECT_EQ(read.error.kind, c.kind) << c.text.left(200).toStdString();
        EXPECT_EQ(read.error.criterion, c.criterion) << c.text.left(200).toStdString();
        EXPECT_FALSE(DrillTexts::FileProblem(read.error).isEmpty());
    }
    EXPECT_EQ(
        DrillTexts::FileProblem(parseDrill(drillText(R"({"metric": "Druck", "max": 1})")).error),
        QStringLiteral("Kriterium 1: Unbekannter Kennwert „Druck“."));

    // A drill made in the program is held to the same rules.
    Drill made = builtInDrill(BuiltInDrill::Nachhalten);
    made.criteria[1].min = std::nan("");
    EXPECT_EQ(validateDrill(made), (DrillFileError{Kind::NotFinite, 2, QStringLiteral("min"), 0}));
    made.name = QStringLiteral("Halt") + QChar(0xD800);
    EXPECT_EQ(validateDrill(made).kind, Kind::NameHasControl);

    QTemporaryDir dir;
    EXPECT_EQ(readDrillFile(dir.filePath(QStringLiteral("fehlt.json"))).error.kind, Kind::Missing);
    EXPECT_EQ(readDrillFile(dir.path()).error.kind, Kind::NotAFile);
}

// The library: names unique in any case, files named safely in its folder,
// damaged files listed with their reason, built-in drills kept as they are.
TEST(DrillLibrary, KeepsOwnDrillsAsFiles) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Uebungen"));
    DrillLibrary library(folder);
    using LKind = DrillLibraryError::Kind;

    EXPECT_EQ(library.save(ownDrill(QStringLiteral("ohne zucken"))).kind, LKind::NameTaken);
    Drill bad = ownDrill(QStringLiteral("Falsch"));
    bad.takeUps = 0;
    EXPECT_EQ(library.save(bad).kind, LKind::Invalid);
    ASSERT_TRUE(library.save(ownDrill(QStringLiteral("../../Halt: 1/2"))).ok());
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Halt_1_2.json")));
    EXPECT_EQ(library.save(ownDrill(QStringLiteral("../../HALT: 1/2"))).kind, LKind::NameTaken);

    // Changed under a new name, the drill moves to the file of that name.
    ASSERT_TRUE(
        library.save(ownDrill(QStringLiteral("Halten")), QStringLiteral("../../halt: 1/2")).ok());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Halten.json"});
    ASSERT_TRUE(library.copy(QStringLiteral("Halten"), QStringLiteral("Halten 2")).ok());
    ASSERT_TRUE(library.copy(QStringLiteral("Nachhalten"), QStringLiteral("Nach-halten")).ok());
    EXPECT_EQ(library.remove(QStringLiteral("Nachhalten")).kind, LKind::BuiltIn);
    EXPECT_EQ(library.save(ownDrill(QStringLiteral("X")), QStringLiteral("Wettkampfserie")).kind,
              LKind::BuiltIn);

    // A coach's file in, the club's out; a hand-made copy and a broken file
    // are listed as damaged.
    const QString exported = dir.filePath(QStringLiteral("verein.json"));
    ASSERT_TRUE(library.exportDrill(QStringLiteral("halten 2"), exported).ok());
    EXPECT_EQ(library.importFile(exported).kind, LKind::NameTaken);
    ASSERT_TRUE(library.remove(QStringLiteral("Halten 2")).ok());
    ASSERT_TRUE(library.importFile(exported).ok());
    writeAll(folder + QStringLiteral("/kopie.json"), readAll(exported));
    writeAll(folder + QStringLiteral("/kaputt.json"), "{\"format\": \"ostrevik-uebung\"");
    DrillLibraryError refused = library.importFile(folder + QStringLiteral("/kaputt.json"));
    EXPECT_EQ(refused.kind, LKind::ImportRefused);
    EXPECT_EQ(refused.file.kind, Kind::NotJson);

    const std::vector<DrillEntry> entries = library.list();
    QStringList listed;
    for (const DrillEntry& e : entries) {
        listed << e.name();
    }
    EXPECT_EQ(listed, (QStringList{"Schuss im Zeitfenster", "Ohne Zucken", "Nachhalten",
                                   "Druckpunkt halten", "Wettkampfserie", "Halten", "Halten 2",
                                   "Nach-halten", "kaputt.json", "kopie.json"}));
    EXPECT_EQ(entries[8].problem.kind, Kind::NotJson);
    EXPECT_EQ(entries[9].problem.kind, Kind::NameTaken);
    EXPECT_FALSE(library.find(QStringLiteral("kopie.json")));
    EXPECT_EQ(library.find(QStringLiteral("HALTEN 2"))->drill,
              ownDrill(QStringLiteral("Halten 2")));
    ASSERT_TRUE(library.remove(QStringLiteral("kaputt.json")).ok());
    EXPECT_EQ(library.list().size(), 9u);
}
