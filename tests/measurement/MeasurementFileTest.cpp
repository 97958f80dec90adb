#include "measurement/MeasurementFile.h"

#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using ostrevik::test::bytes;
using ostrevik::test::hex;
using ostrevik::test::readAll;
using ostrevik::test::writeAll;

namespace {

class MeasurementFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = DisplaySettings::defaults();
        list.Einstellungen = &settings;
        list.Anhaengen();
    }

    QByteArray header(const char* name = "", const char* datum = "", const char* text = "") {
        Dateiheader_t h;
        KopfInitialisieren(h);
        h.setName(QString::fromLatin1(name));
        h.setDatum(QString::fromLatin1(datum));
        h.setText(QString::fromLatin1(text));
        return h.toBytes();
    }

    // Reads a file the way a document window does.
    bool load(const QString& path, Dateiheader_t& h) {
        QByteArray data;
        if (!KopfUndDatenLesen(h, path, data)) {
            return false;
        }
        DatenInListe(list, data);
        return true;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("t.pvo"));
    DisplaySettings settings;
    Rasters_t list{50, 4, 60, 60};
};

}  // namespace

TEST_F(MeasurementFileTest, HeaderIsByteExact) {
    Dateiheader_t h;
    KopfInitialisieren(h);
    h.setName(QStringLiteral("Anna Öhler"));
    h.setDatum(QStringLiteral("07.12.2026"));
    h.setText(QStringLiteral("Übung"));
    const QByteArray b = h.toBytes();
    ASSERT_EQ(b.size(), 116);
    QByteArray expected = bytes({1, 0, 0, 0});
    QByteArray name("Anna \xD6hler");
    name.resize(25, '\0');
    QByteArray datum("07.12.2026");
    datum.resize(11, '\0');
    QByteArray text(
        "\xDC"
        "bung");
    text.resize(76, '\0');
    EXPECT_EQ(hex(b), hex(expected + name + datum + text));
}

TEST_F(MeasurementFileTest, SmallFileIsByteExactAndReadsBack) {
    Raster_t& first = list.Letzter();
    first.SetzeTonschwelle(0x50);
    first.WertAnhaengen(0x10);
    first.WertAnhaengen(0x20);
    list.Anhaengen();
    list.Letzter().SetzeTonschwelle(0x60);  // an empty record
    list.Anhaengen();
    list.Letzter().WertAnhaengen(0x33);  // the capture target is never written

    Dateiheader_t h;
    KopfInitialisieren(h);
    h.setName(QStringLiteral("N"));
    ASSERT_TRUE(KopfUndDatenSchreiben(h, path, ListeAlsDaten(list)).ok);
    EXPECT_EQ(hex(readAll(path)), hex(header("N") + bytes({0x50, 0x10, 0x20, 0x03, 0x60, 0x03})));

    Rasters_t back(50, 4, 60, 60);
    back.Einstellungen = &settings;
    back.Anhaengen();
    Dateiheader_t h2;
    QByteArray data;
    ASSERT_TRUE(KopfUndDatenLesen(h2, path, data));
    const DatenWalkErgebnis r = DatenInListe(back, data);
    EXPECT_EQ(r.fertigeDatensaetze, 2);
    EXPECT_FALSE(r.abgeschnitten);
    ASSERT_EQ(back.Anzahl(), 3);
    EXPECT_EQ(back.Datensatz(0).Tonschwelle, 0x50u);
    EXPECT_EQ(back.Datensatz(0).Werte, (std::vector<uint8_t>{0x10, 0x20}));
    EXPECT_EQ(back.Datensatz(1).Tonschwelle, 0x60u);
    EXPECT_TRUE(back.Datensatz(1).Werte.empty());
    EXPECT_TRUE(back.Letzter().Werte.empty());
    EXPECT_EQ(h2.name(), QStringLiteral("N"));
}

TEST_F(MeasurementFileTest, HeaderOnlyFileOpensAsEmptyDocument) {
    writeAll(path, header());
    Dateiheader_t h;
    ASSERT_TRUE(load(path, h));
    EXPECT_EQ(list.Anzahl(), 1);
    EXPECT_TRUE(ListeAlsDaten(list).isEmpty());
}

TEST_F(MeasurementFileTest, DataWalkEdgeCases) {
    // Two consecutive 3s: an extra record with threshold 0 and no samples.
    // Bytes after the last 3 stay in the capture target and are not saved.
    writeAll(path, header() + bytes({0x40, 7, 8, 3, 3, 0x41, 9}));
    Dateiheader_t h;
    ASSERT_TRUE(load(path, h));
    ASSERT_EQ(list.Anzahl(), 3);
    EXPECT_EQ(list.Datensatz(1).Tonschwelle, 0u);
    EXPECT_TRUE(list.Datensatz(1).Werte.empty());
    EXPECT_EQ(list.Letzter().Tonschwelle, 0x41u);
    EXPECT_EQ(list.Letzter().Werte, (std::vector<uint8_t>{9}));
    EXPECT_EQ(ListeAlsDaten(list), bytes({0x40, 7, 8, 3, 0, 3}));
}

TEST_F(MeasurementFileTest, RecordLongerThanCapacityLosesItsTail) {
    settings.timeScale = 5;  // 0.1 s per division: 250 samples
    Rasters_t small(50, 4, 60, 60);
    small.Einstellungen = &settings;
    small.Anhaengen();
    QByteArray data = bytes({0x50});
    data.append(QByteArray(400, 10));
    data.append('\x03');
    DatenInListe(small, data);
    EXPECT_EQ(small.Datensatz(0).AnzahlWerte(), 250);
    EXPECT_EQ(ListeAlsDaten(small).size(), 252);
}

TEST_F(MeasurementFileTest, RejectedFilesLeaveHeaderAndBytesUnchanged) {
    Dateiheader_t h;
    KopfInitialisieren(h);
    h.setName(QStringLiteral("keep"));
    QByteArray data("x");

    EXPECT_FALSE(KopfUndDatenLesen(h, dir.filePath(QStringLiteral("missing.pvo")), data));
    writeAll(path, bytes({1, 0, 0}));  // shorter than four bytes
    EXPECT_FALSE(KopfUndDatenLesen(h, path, data));
    writeAll(path, bytes({2, 0, 0, 0}) + QByteArray(112, 'a'));  // wrong version
    EXPECT_FALSE(KopfUndDatenLesen(h, path, data));
    writeAll(path, QByteArray());
    EXPECT_FALSE(KopfUndDatenLesen(h, path, data));
    // Not a regular file: a device that never ends, a directory.
    EXPECT_FALSE(KopfUndDatenLesen(h, QStringLiteral("/dev/zero"), data));
    EXPECT_FALSE(KopfUndDatenLesen(h, dir.path(), data));
    EXPECT_EQ(h.name(), QStringLiteral("keep"));
    EXPECT_EQ(data, QByteArray("x"));
}

TEST_F(MeasurementFileTest, HeaderCutShortReadsAsZeros) {
    writeAll(path, bytes({1, 0, 0, 0, 'A', 'b'}));
    Dateiheader_t h;
    ASSERT_TRUE(load(path, h));
    EXPECT_EQ(h.name(), QStringLiteral("Ab"));
    EXPECT_EQ(h.datum(), QString());
    EXPECT_EQ(list.Anzahl(), 1);
}

TEST_F(MeasurementFileTest, HeaderFieldsWithoutZeroEndAtTheirFieldEnd) {
    QByteArray raw = bytes({1, 0, 0, 0});
    raw += QByteArray(25, 'N') + QByteArray(11, 'D') + QByteArray(76, 'T');
    writeAll(path, raw);
    Dateiheader_t h;
    ASSERT_TRUE(load(path, h));
    EXPECT_EQ(h.name(), QString(25, QLatin1Char('N')));
    EXPECT_EQ(h.datum(), QString(11, QLatin1Char('D')));
    EXPECT_EQ(h.text(), QString(76, QLatin1Char('T')));
    EXPECT_EQ(h.kopfzeile().size(), 25 + 3 + 11 + 3 + 76);
}

TEST_F(MeasurementFileTest, ThresholdThreeIsWrittenAsFourSoLaterRecordsSurvive) {
    list.Letzter().SetzeTonschwelle(3);
    list.Letzter().WertAnhaengen(10);
    list.Anhaengen();
    list.Letzter().SetzeTonschwelle(0x50);
    list.Letzter().WertAnhaengen(20);
    list.Anhaengen();
    EXPECT_EQ(ListeAlsDaten(list), bytes({4, 10, 3, 0x50, 20, 3}));
    EXPECT_EQ(SchwellenByteFuerDatei(0x103), 4);  // only the low byte is stored
    EXPECT_EQ(SchwellenByteFuerDatei(0x150), 0x50);
}

TEST_F(MeasurementFileTest, RecordLimitStopsAHostileWalk) {
    const DatenWalkErgebnis r = DatenInListe(list, QByteArray(1000, '\x03'), 100);
    EXPECT_TRUE(r.abgeschnitten);
    EXPECT_EQ(r.fertigeDatensaetze, 100);
    EXPECT_EQ(list.Anzahl(), 101);
}

TEST_F(MeasurementFileTest, FailedWriteKeepsTheOldFile) {
    writeAll(path, header("old") + bytes({0x50, 1, 3}));
    const QByteArray before = readAll(path);
    Dateiheader_t h;
    KopfInitialisieren(h);
    {
        ScopedWriteFault fault(120);
        const FileWriteResult r = KopfUndDatenSchreiben(h, path, QByteArray(1000, 5));
        EXPECT_FALSE(r.ok);
    }
    EXPECT_EQ(readAll(path), before);
}
