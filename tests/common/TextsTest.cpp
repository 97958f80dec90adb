#include "common/Texts.h"

#include <gtest/gtest.h>

namespace ostrevik {
namespace {

// File names come from the user and may hold "%1" or "%2"; a message must
// name them as they are, not take them for places of its own figures.
TEST(Texts, FileNamesWithPercentSignsAreNamedAsTheyAre) {
    EXPECT_EQ(Texts::FileTooLarge(QStringLiteral("/tmp/a%1b%2.pvo"), 2048),
              QStringLiteral("Die Datei /tmp/a%1b%2.pvo ist zu groß. Es können Dateien bis "
                             "2048 MB geöffnet werden."));
    EXPECT_EQ(Texts::FileNotSaved(QStringLiteral("/tmp/%2.pvo"), QStringLiteral("Platte %1 voll")),
              QStringLiteral("Die Datei /tmp/%2.pvo konnte nicht gespeichert werden.\n"
                             "Platte %1 voll"));
    EXPECT_EQ(Texts::UnknownOption(QStringLiteral("--x%1")),
              QStringLiteral("Unbekannte Option --x%1."));
}

}  // namespace
}  // namespace ostrevik
