#include "settings/ConfigFile.h"
#include "settings/Paths.h"

#include "SmallDisk.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using ostrevik::test::bytes;
using ostrevik::test::hex;
using ostrevik::test::readAll;
using ostrevik::test::writeAll;

namespace {

QByteArray defaultBlock() {
    QByteArray b = bytes({0x08, 0x04, 0,    0,              // version 1032
                          0xFF, 0,    0,    0, 3, 0, 0, 0,  // red curve, width 3
                          0,    0,    0xFF, 0, 3, 0, 0, 0,  // blue shot, width 3
                          0,    0xFF, 0xFF, 0, 3, 0, 0, 0,  // aqua threshold, width 3
                          2,    0,    0,    0,              // time scale "1,0"
                          8,    0,    0,    0,              // 8 s before the shot
                          0,    0,    0,    0,              // circle
                          1,    0,    0,    0,              // threshold marker shown, zero gap
                          1,    0,    0,    0,              // COM1
                          0,    0,    0,    0,              // no open files
                          1});                              // live bar shown
    QByteArray name("Testanwender");
    name.resize(51, '\0');
    return b + name;
}

class ConfigFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Ostrevik.cfg"));
};

}  // namespace

TEST_F(ConfigFileTest, DefaultsAreWrittenByteExact) {
    TConfigFile cfg;
    ASSERT_TRUE(saveSettings(cfg, path).ok);
    const QByteArray written = readAll(path);
    ASSERT_EQ(written.size(), 104);
    EXPECT_EQ(hex(written), hex(defaultBlock()));
}

TEST_F(ConfigFileTest, OpenFilesFollowTheBlockZeroTerminatedInCp1252) {
    TConfigFile cfg;
    cfg.openFiles = {QStringLiteral("/home/a/Übung.pvo"), QStringLiteral("/b.pvo")};
    ASSERT_TRUE(saveSettings(cfg, path).ok);
    const QByteArray written = readAll(path);
    ASSERT_EQ(written.size(), 104 + 18 + 7);
    EXPECT_EQ(written.mid(48, 4), bytes({2, 0, 0, 0}));
    EXPECT_EQ(written.mid(104), QByteArray("/home/a/\xDC"
                                           "bung.pvo\0/b.pvo\0",
                                           25));

    TConfigFile back;
    ASSERT_TRUE(loadSettings(back, path));
    EXPECT_EQ(back.openFiles, cfg.openFiles);
}

TEST_F(ConfigFileTest, RoundTripKeepsEveryField) {
    TConfigFile cfg;
    cfg.file.display.curveColor = 0x00123456;
    cfg.file.display.curveWidth = 10;
    cfg.file.display.timeScale = 5;
    cfg.file.display.secondsBeforeShot = 99;
    cfg.file.display.shotMarkerForm = 1;
    cfg.file.display.thresholdMarkerVisible = 0;
    cfg.file.comPortNumber = 12;
    cfg.file.liveBarVisible = 0;
    cfg.setUserName(QStringLiteral("Jürgen Schütze"));
    ASSERT_TRUE(saveSettings(cfg, path).ok);

    TConfigFile back;
    ASSERT_TRUE(loadSettings(back, path));
    EXPECT_EQ(back.file.display, cfg.file.display);
    EXPECT_EQ(back.file.comPortNumber, 12u);
    EXPECT_EQ(back.file.liveBarVisible, 0);
    EXPECT_EQ(back.userName(), QStringLiteral("Jürgen Schütze"));
    EXPECT_EQ(back.file.version, kConfigVersion);
}

TEST_F(ConfigFileTest, MissingFileKeepsDefaults) {
    TConfigFile cfg;
    EXPECT_FALSE(loadSettings(cfg, path));
    EXPECT_EQ(cfg.file.display, DisplaySettings::defaults());
    EXPECT_EQ(cfg.userName(), QStringLiteral("Testanwender"));
    EXPECT_EQ(cfg.file.comPortNumber, 1u);
    EXPECT_EQ(cfg.file.liveBarVisible, 1);
    EXPECT_TRUE(cfg.openFiles.isEmpty());
}

TEST_F(ConfigFileTest, OldVersionYieldsDefaultsWhateverFollows) {
    QByteArray junk(300, '\x55');
    junk.replace(0, 4, bytes({0x02, 0x01, 0, 0}));  // 258
    writeAll(path, junk);
    TConfigFile cfg;
    EXPECT_TRUE(loadSettings(cfg, path));
    EXPECT_EQ(cfg.file.display, DisplaySettings::defaults());
    EXPECT_EQ(cfg.userName(), QStringLiteral("Testanwender"));
    EXPECT_TRUE(cfg.openFiles.isEmpty());
    // The next save writes the current version.
    ASSERT_TRUE(saveSettings(cfg, path).ok);
    EXPECT_EQ(readAll(path).left(4), bytes({0x08, 0x04, 0, 0}));
}

TEST_F(ConfigFileTest, UnknownVersionYieldsDefaultsAndNoEntries) {
    QByteArray block = defaultBlock();
    block.replace(0, 4, bytes({0x07, 0x04, 0, 0}));  // 1031
    block.replace(4, 4, bytes({1, 2, 3, 0}));
    block.replace(48, 4, bytes({1, 0, 0, 0}));
    writeAll(path, block + QByteArray("/x.pvo", 7));
    TConfigFile cfg;
    EXPECT_FALSE(loadSettings(cfg, path));
    EXPECT_EQ(cfg.file.display, DisplaySettings::defaults());
    EXPECT_TRUE(cfg.openFiles.isEmpty());
}

TEST_F(ConfigFileTest, ShortFileReplacesOnlyTheStartOfTheRecord) {
    // Version 1032 and a green curve, then the file ends.
    writeAll(path, bytes({0x08, 0x04, 0, 0, 0, 0xFF, 0, 0}));
    TConfigFile cfg;
    EXPECT_TRUE(loadSettings(cfg, path));
    EXPECT_EQ(cfg.file.display.curveColor, 0x0000FF00u);
    EXPECT_EQ(cfg.file.display.curveWidth, 3u);
    EXPECT_EQ(cfg.userName(), QStringLiteral("Testanwender"));
}

TEST_F(ConfigFileTest, UserNameWithoutZeroEndsAtItsFieldEnd) {
    QByteArray block = defaultBlock();
    block.replace(53, 51, QByteArray(51, 'A'));
    writeAll(path, block);
    TConfigFile cfg;
    ASSERT_TRUE(loadSettings(cfg, path));
    EXPECT_EQ(cfg.userName(), QString(51, QLatin1Char('A')));
}

TEST_F(ConfigFileTest, DamagedOpenFileCountStopsAtEndOfFileAndBound) {
    QByteArray block = defaultBlock();
    block.replace(48, 4, bytes({0xFF, 0xFF, 0xFF, 0x7F}));  // 2^31 - 1
    writeAll(path, block + QByteArray("/a.pvo\0/b.pv", 12));
    TConfigFile cfg;
    ASSERT_TRUE(loadSettings(cfg, path));
    EXPECT_EQ(cfg.openFiles, (QStringList{QStringLiteral("/a.pvo"), QStringLiteral("/b.pv")}));

    block.replace(48, 4, bytes({0xFF, 0xFF, 0xFF, 0xFF}));  // -1
    writeAll(path, block + QByteArray("/a.pvo\0", 7));
    TConfigFile negative;
    ASSERT_TRUE(loadSettings(negative, path));
    EXPECT_TRUE(negative.openFiles.isEmpty());

    // Many empty entries: never more than the bound.
    block.replace(48, 4, bytes({0xFF, 0xFF, 0xFF, 0x7F}));
    writeAll(path, block + QByteArray(kMaxOpenFiles * 3, '\0'));
    TConfigFile many;
    ASSERT_TRUE(loadSettings(many, path));
    EXPECT_EQ(many.openFiles.size(), kMaxOpenFiles);
}

TEST_F(ConfigFileTest, UserNameIsCutAt49Characters) {
    TConfigFile cfg;
    cfg.setUserName(QString(60, QLatin1Char('x')));
    EXPECT_EQ(cfg.userName().size(), 49);
}

TEST_F(ConfigFileTest, FailedSaveKeepsOldFile) {
    TConfigFile cfg;
    ASSERT_TRUE(saveSettings(cfg, path).ok);
    const QByteArray before = readAll(path);
    cfg.openFiles = {QStringLiteral("/x.pvo")};
    {
        ScopedWriteFault fault(50);
        EXPECT_FALSE(saveSettings(cfg, path).ok);
    }
    EXPECT_EQ(readAll(path), before);
}

TEST_F(ConfigFileTest, ASaveOnAFullDiskFailsAndKeepsTheOldFile) {
    test::SmallDisk disk;
    SKIP_WITHOUT(disk);
    const QString cfgPath = disk.path(QStringLiteral("Ostrevik.cfg"));
    TConfigFile cfg;
    cfg.setUserName(QStringLiteral("Jörg"));
    cfg.openFiles = {QStringLiteral("/home/j/woche1.pvo")};
    ASSERT_TRUE(saveSettings(cfg, cfgPath).ok);
    const QByteArray before = readAll(cfgPath);
    disk.fill(0);

    cfg.openFiles << QStringLiteral("/home/j/woche2.pvo");
    const FileWriteResult r = saveSettings(cfg, cfgPath);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.isEmpty());
    EXPECT_EQ(readAll(cfgPath), before);
}

TEST(TimeScale, FactorsAndFallback) {
    EXPECT_FLOAT_EQ(timeScaleFactor(0), 0.2f);
    EXPECT_FLOAT_EQ(timeScaleFactor(2), 1.0f);
    EXPECT_FLOAT_EQ(timeScaleFactor(5), 10.0f);
    EXPECT_FLOAT_EQ(timeScaleFactor(6), 2.0f);
    EXPECT_FLOAT_EQ(timeScaleFactor(0xFFFFFFFF), 2.0f);
}

TEST(Colors, RedIsInTheLowestByte) {
    EXPECT_EQ(colorFromRef(0x000000FF), QColor(255, 0, 0));
    EXPECT_EQ(colorFromRef(0x00FFFF00), QColor(0, 255, 255));
    EXPECT_EQ(colorToRef(QColor(0, 0, 255)), 0x00FF0000u);
}

TEST(Paths, ConfigBesideAWritableExecutableElseInTheUsersConfigDirectory) {
    EXPECT_EQ(configFilePathFor(QStringLiteral("/opt/ostrevik"), true),
              QStringLiteral("/opt/ostrevik/Ostrevik.cfg"));
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/home/u/.cfg");
    EXPECT_EQ(configFilePathFor(QStringLiteral("/usr/bin"), false),
              QStringLiteral("/home/u/.cfg/Ostrevik/Ostrevik.cfg"));
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(configFilePathFor(QStringLiteral("/usr/bin"), false),
              QDir::homePath() + QStringLiteral("/.config/Ostrevik/Ostrevik.cfg"));
    qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(ConfigFileTest, SavingCreatesTheSettingsDirectory) {
    TConfigFile cfg;
    const QString nested = dir.filePath(QStringLiteral("cfg/Ostrevik/Ostrevik.cfg"));
    ASSERT_TRUE(saveSettings(cfg, nested).ok);
    EXPECT_EQ(readAll(nested).size(), 104);
}

TEST(Paths, DirectoryOfExecutable) {
    EXPECT_EQ(directoryOf(QStringLiteral("/usr/bin/ostrevik")), QStringLiteral("/usr/bin"));
    EXPECT_EQ(directoryOf(QStringLiteral("/ostrevik")), QStringLiteral("/"));
    EXPECT_TRUE(configFilePath().endsWith(QStringLiteral("/Ostrevik.cfg")));
}
