#pragma once

#include <QTemporaryDir>

namespace ostrevik::test {

// Every test process keeps its settings, data and cache (the analysis
// settings, the season archive, the archive's file copies) in a folder of its
// own, never in the user's home.
class TestHome {
public:
    TestHome() {
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", dir_.filePath(QStringLiteral("cache")).toLocal8Bit());
    }

private:
    QTemporaryDir dir_;
};

}  // namespace ostrevik::test
