// Opens one file in a document window, as "&Öffnen" does, and reports how long
// that took, the process's peak memory, the records loaded and what the user
// was told. Run by the hostile-file tests in a process of its own, so that
// the peak memory belongs to this one file.
#include "measurement/ui/DocumentWindow.h"
#include "settings/ConfigFile.h"

#include "NullDocumentHost.h"
#include "ScriptedModalUi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

using namespace ostrevik;

namespace {

long peakKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: hostile_file_probe pvo|cfg FILE\n");
        return 2;
    }
    test::ScriptedModalUi ui;
    const QString kind = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const long before = peakKilobytes();
    QElapsedTimer timer;
    timer.start();
    int records = 0;
    if (kind == QLatin1String("cfg")) {
        TConfigFile config;
        loadSettings(config, path);
        records = static_cast<int>(config.openFiles.size());
    } else {
        test::NullDocumentHost host;
        TMDIChild window(host);
        window.SetzeDateiname(path);
        window.show();
        window.DateiLaden();
        QApplication::processEvents();  // paint the visible rows
        records = window.Liste->Anzahl() - 1;
    }
    const qint64 ms = timer.elapsed();
    std::printf("ms=%lld peak_kb=%ld start_kb=%ld records=%d\n", static_cast<long long>(ms),
                peakKilobytes(), before, records);
    for (const auto& m : ui.messages) {
        std::printf("message=%s: %s\n", qPrintable(m.caption),
                    qPrintable(QString(m.text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    }
    return 0;
}
