#include "measurement/MeasurementFile.h"
#include "settings/ConfigFile.h"

#include "TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

// Bounds for one hostile file: the time to open it and the memory the program
// may take for it on top of what it had (sanitizer builds get more time).
// The record limit (a million records) is what bounds the memory.
#if defined(__SANITIZE_ADDRESS__)
#define OSTREVIK_HOSTILE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTREVIK_HOSTILE_ASAN 1
#endif
#endif
#ifdef OSTREVIK_HOSTILE_ASAN
constexpr qint64 kMaxMs = 20000;
constexpr long kMaxExtraKb = 2048 * 1024;
#else
constexpr qint64 kMaxMs = 3000;
constexpr long kMaxExtraKb = 768 * 1024;
#endif

struct ProbeResult {
    qint64 ms = -1;
    long extraKb = -1;
    int records = -1;
    QStringList messages;
};

ProbeResult probe(const char* kind, const QString& path) {
    QProcess p;
    p.start(QStringLiteral(HOSTILE_FILE_PROBE), {QString::fromLatin1(kind), path});
    EXPECT_TRUE(p.waitForFinished(120000)) << path.toStdString();
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    ProbeResult r;
    const auto m = QRegularExpression(
                       QStringLiteral("ms=(\\d+) peak_kb=(\\d+) start_kb=(\\d+) records=(\\d+)"))
                       .match(out);
    EXPECT_TRUE(m.hasMatch()) << out.toStdString() << p.readAllStandardError().toStdString();
    if (m.hasMatch()) {
        r.ms = m.captured(1).toLongLong();
        r.extraKb = m.captured(2).toLong() - m.captured(3).toLong();
        r.records = m.captured(4).toInt();
    }
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("message="))) {
            r.messages << line.mid(8);
        }
    }
    std::printf("%s: %lld ms, +%ld KB peak, %d records\n", qPrintable(path), r.ms, r.extraKb,
                r.records);
    return r;
}

QByteArray header() {
    Dateiheader_t h;
    KopfInitialisieren(h);
    return h.toBytes();
}

void writeBig(const QString& path, const QByteArray& head, char fill, qint64 size) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(head);
    const QByteArray chunk(1 << 20, fill);
    for (qint64 left = size - head.size(); left > 0; left -= chunk.size()) {
        f.write(chunk.constData(), std::min<qint64>(left, chunk.size()));
    }
}

class HostileFilesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    static constexpr qint64 k100MB = 100LL * 1000 * 1000;
};

}  // namespace

TEST_F(HostileFilesTest, HundredMegabytesOfRecordEndsStopAtTheRecordLimit) {
    const QString path = dir.filePath(QStringLiteral("ends.pvo"));
    writeBig(path, header(), '\x03', k100MB);
    const ProbeResult r = probe("pvo", path);
    EXPECT_EQ(r.records, kMaxDatensaetze);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_TRUE(r.messages[0].startsWith(QStringLiteral("Warnung: ")))
        << r.messages[0].toStdString();
    EXPECT_LT(r.ms, kMaxMs);
    EXPECT_LT(r.extraKb, kMaxExtraKb);
}

TEST_F(HostileFilesTest, HundredMegabytesWithoutARecordEndFillOneCaptureRecord) {
    const QString path = dir.filePath(QStringLiteral("noend.pvo"));
    writeBig(path, header(), '\x20', k100MB);
    const ProbeResult r = probe("pvo", path);
    EXPECT_EQ(r.records, 0);
    EXPECT_TRUE(r.messages.isEmpty());
    EXPECT_LT(r.ms, kMaxMs);
    EXPECT_LT(r.extraKb, kMaxExtraKb);
}

TEST_F(HostileFilesTest, LargerThanTheFileLimitIsRefusedAsTooLarge) {
    const QString path = dir.filePath(QStringLiteral("huge.pvo"));
    {
        // Sparse: the size is what counts, not the bytes.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(header());
        ASSERT_TRUE(f.resize(kMaxDateiGroesse + 1));
    }
    const ProbeResult r = probe("pvo", path);
    EXPECT_EQ(r.records, 0);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0], QStringLiteral("Fehler: Die Datei %1 ist zu groß. Es können "
                                            "Dateien bis 2048 MB geöffnet werden.")
                                 .arg(path));
    EXPECT_LT(r.ms, kMaxMs);
    EXPECT_LT(r.extraKb, 64 * 1024);
}

TEST_F(HostileFilesTest, HeaderOnlyAndUnterminatedHeaderFieldsOpenQuietly) {
    const QString only = dir.filePath(QStringLiteral("only.pvo"));
    test::writeAll(only, header());
    EXPECT_EQ(probe("pvo", only).records, 0);

    const QString fields = dir.filePath(QStringLiteral("fields.pvo"));
    QByteArray raw = test::bytes({1, 0, 0, 0});
    raw += QByteArray(25, 'N') + QByteArray(11, 'D') + QByteArray(76, 'T');
    test::writeAll(fields, raw + test::bytes({0x50, 1, 2, 3}));
    const ProbeResult r = probe("pvo", fields);
    EXPECT_EQ(r.records, 1);
    EXPECT_TRUE(r.messages.isEmpty());
}

TEST_F(HostileFilesTest, ConfigurationWithAHugeFileCountStaysBounded) {
    TConfigFile config;
    const QString path = dir.filePath(QStringLiteral("Ostrevik.cfg"));
    ASSERT_TRUE(saveSettings(config, path).ok);
    QByteArray raw = test::readAll(path);
    raw.replace(48, 4, test::bytes({0xFF, 0xFF, 0xFF, 0x7F}));
    raw += QByteArray(5 * 1000 * 1000, '\0');  // millions of empty entries
    test::writeAll(path, raw);
    const ProbeResult r = probe("cfg", path);
    EXPECT_EQ(r.records, kMaxOpenFiles);
    EXPECT_LT(r.ms, kMaxMs);
    EXPECT_LT(r.extraKb, 64 * 1024);
}
