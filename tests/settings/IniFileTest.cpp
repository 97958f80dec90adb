#include "settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;

// What the program writes it reads back; what it does not know it keeps;
// what it cannot use is its default.
TEST(IniFileTest, KeepsForeignKeysAndFallsBackOnWhatItCannotUse) {
    IniFile ini = IniFile::parse(
        "; a note\n[Marken]\nZuckenAnstieg=abc\nNachlassenHalt=1e400\nFremd=x y\n"
        "[Archiv]\nGespeicherteDateienAufnehmen=FALSE\n");
    EXPECT_EQ(ini.number("Marken", "ZuckenAnstieg", 15, 0, 100), 15);
    EXPECT_EQ(ini.number("Marken", "NachlassenHalt", 90, 0, 1000), 90);
    EXPECT_FALSE(ini.flag("Archiv", "GespeicherteDateienAufnehmen", true));
    EXPECT_TRUE(ini.flag("Archiv", "Fehlt", true));

    ini.setNumber("Marken", "ZuckenAnstieg", 12.5);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("neu/Analyse.ini"));
    ASSERT_TRUE(ini.write(path));
    const IniFile back = IniFile::read(path);
    EXPECT_EQ(back.number("Marken", "ZuckenAnstieg", 0, 0, 100), 12.5);
    EXPECT_EQ(back.value("Marken", "Fremd"), QByteArray("x y"));

    // A folder that cannot be made: the write says so.
    QFile blocker(dir.filePath(QStringLiteral("datei")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(ini.write(dir.filePath(QStringLiteral("datei/Analyse.ini"))));
}
