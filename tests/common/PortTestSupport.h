#pragma once

#include "QtxSimulator.h"
#include "device/ComPort.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace ostrevik::test {

// Points OSTREVIK_PORT_DIR at a fresh directory for its lifetime, so the
// ports a test creates there are the only ones the component sees.
class ScopedPortDir {
public:
    ScopedPortDir();
    ~ScopedPortDir();
    ScopedPortDir(const ScopedPortDir&) = delete;
    ScopedPortDir& operator=(const ScopedPortDir&) = delete;

    QString path() const { return dir_.path(); }
    std::string stdPath() const { return dir_.path().toStdString(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool hadSaved_ = false;
};

// A pseudo-terminal of the test's own, its program end linked as COM<n>;
// the test reads and writes the other end directly.
class PtyPair {
public:
    PtyPair(const QString& portDir, int number);
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& devicePath() const { return devicePath_; }
    void write(const QByteArray& bytes) const;
    // What arrived at the master within the time (at most max bytes).
    QByteArray read(int timeoutMs, int max = 4096) const;
    void hangUp();

private:
    int master_ = -1;
    std::string devicePath_;
};

// A simulator on a pseudo-terminal linked as COM<n> in portDir, started.
std::unique_ptr<qtxsim::Simulator> startSimulator(const ScopedPortDir& portDir, int number,
                                                  qtxsim::SimulatorOptions options = {});

// Processes events until the condition holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 3000);

// Milliseconds a call takes.
double millisecondsOf(const std::function<void()>& call);

QByteArray toQByteArray(const qtxsim::Bytes& bytes);
qtxsim::Bytes toBytes(const QByteArray& bytes);

// A guarded exchange as the program's service commands run it: handler
// detached, queues emptied, command sent, a fixed wait without processing
// events, one read of up to `replyLength` bytes, handler put back.
QByteArray guardedExchange(TCustomComPort& port, const QByteArray& command, int replyLength,
                           int waitMs = 100);

}  // namespace ostrevik::test
