#include "HeadlessRun.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace ostrevik::test {

Outcome runHeadless(const QString& program, const QStringList& args, const QString& workingDir,
                    const std::function<void(QProcessEnvironment&)>& adjust) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_SOCKET"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The system's reasons (a full disk) in the words the tests expect.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    if (adjust) {
        adjust(env);
    }
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workingDir);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace ostrevik::test
