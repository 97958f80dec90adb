#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace ostrevik::test {

struct Outcome {
    int exitCode = -1;  // -1: the program crashed or did not end
    QString out;
    QString err;
};

// Runs the program as a separate process without any display: asked for the
// X11 platform, a start that needed a window would fail, so the commands are
// seen not to need one. `adjust` sets the test's own folders.
Outcome runHeadless(const QString& program, const QStringList& args, const QString& workingDir,
                    const std::function<void(QProcessEnvironment&)>& adjust = {});

}  // namespace ostrevik::test
