#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>

class QPlainTextEdit;

namespace ostrevik {

// "Debugfenster": a running trace of the bytes the program exchanges with the
// device through its send and receive primitives, both directions in the
// order they were moved. Every key typed into it goes to the device as one
// byte. The trace is on exactly while the window is shown; the window stays
// on top of the others.
class TDebugForm : public QWidget {
    Q_OBJECT
public:
    // traceOn: the flag the primitives test before tracing a byte.
    explicit TDebugForm(bool& traceOn, QWidget* parent = nullptr);

    // How typed keys reach the device; none until the main window sets it.
    std::function<void(uint8_t)> SendKey;
    // Told when the window is hidden: what was typed there ends with it.
    std::function<void()> KeysClosed;
    bool& TraceOn;

    // Adds one byte to the trace: 13 starts a new line, 10 adds nothing,
    // every other byte is appended to the last line as one character (a
    // line longer than kTraceLineWidth characters continues on the next).
    void TraceByte(uint8_t b);
    static constexpr int kTraceLineWidth = 128;
    // Adds lines of text of the program's own (not traced bytes) at the end;
    // the bytes traced afterwards start on a new line.
    void TraceLines(const QStringList& lines);
    // A key typed into the memo: sent, not echoed into the trace.
    void Memo1KeyPress(uint8_t key);

    void FormShow();
    void FormHide();

    // The trace as shown.
    QString TraceText() const;

    QPlainTextEdit* Memo1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool scrollPending_ = false;
};

// How a traced byte is shown: its character in the 8-bit Windows character
// set, or "<hh>" (hexadecimal) for a byte that has no visible character there
// (control codes, unassigned codes, no-break space, soft hyphen).
QString TraceCharacter(uint8_t b);

}  // namespace ostrevik
