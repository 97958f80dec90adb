#include "service/ui/DebugWindow.h"

#include "common/Cp1252.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace ostrevik {

namespace {

constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;

}  // namespace

QString TraceCharacter(uint8_t b) {
    const char c = static_cast<char>(b);
    const QChar shown = fromCp1252(&c, 1).at(0);
    // Control codes, the codes Windows leaves unassigned (they decode to C1
    // controls), the no-break space and the soft hyphen would show as
    // nothing, or as a box where the font has no glyph.
    const bool invisible = shown.unicode() < 0x20 || shown.unicode() == 0x7F ||
                           (shown.unicode() >= 0x80 && shown.unicode() < 0xA0) ||
                           shown.unicode() == 0xA0 || shown.unicode() == 0xAD;
    if (invisible) {
        return QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return QString(shown);
}

TDebugForm::TDebugForm(bool& traceOn, QWidget* parent) : QWidget(parent), TraceOn(traceOn) {
    setWindowTitle(QStringLiteral("Debugfenster"));
    // A window of its own that stays above the others, with only the close
    // box; it may be resized.
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(496, 280);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Keys must reach the handler, not the memo's own text navigation.
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);

    SendKey = nullptr;
    TraceOn = false;
    Memo1->clear();
}

void TDebugForm::TraceByte(uint8_t b) {
    if (b == kLineFeed) {
        return;
    }
    // Appended at the end, never by rewriting the whole text: the trace is
    // kept for the whole run and would otherwise cost more with every byte.
    QTextCursor end(Memo1->document());
    end.movePosition(QTextCursor::End);
    if (b == kCarriageReturn) {
        end.insertBlock();
    } else {
        // The stream may go on for a long time without a carriage return; a
        // line that grew without bound would be laid out anew, whole, for
        // every byte. Long lines therefore wrap at a fixed width.
        if (end.block().length() - 1 >= kTraceLineWidth) {
            end.insertBlock();
        }
        end.insertText(TraceCharacter(b));
    }
    // The caret goes to the end, which scrolls the memo there; once for a
    // whole batch of bytes, before the memo is painted again.
    if (!scrollPending_) {
        scrollPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                scrollPending_ = false;
                QTextCursor caret(Memo1->document());
                caret.movePosition(QTextCursor::End);
                Memo1->setTextCursor(caret);
                Memo1->ensureCursorVisible();
            },
            Qt::QueuedConnection);
    }
}

void TDebugForm::TraceLines(const QStringList& lines) {
    QTextCursor end(Memo1->document());
    end.movePosition(QTextCursor::End);
    if (end.block().length() > 1) {
        end.insertBlock();
    }
    for (const QString& line : lines) {
        end.insertText(line);
        end.insertBlock();
    }
}

void TDebugForm::Memo1KeyPress(uint8_t key) {
    const bool traceWas = TraceOn;
    TraceOn = false;
    if (SendKey) {
        SendKey(key);
    }
    TraceOn = traceWas;
}

QString TDebugForm::TraceText() const {
    return Memo1->toPlainText();
}

void TDebugForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TDebugForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FormHide();
}

void TDebugForm::FormShow() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize outer = frameGeometry().size();
        move(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
    }
    TraceOn = true;
}

void TDebugForm::FormHide() {
    TraceOn = false;
    if (KeysClosed) {
        KeysClosed();
    }
}

bool TDebugForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.isEmpty()) {
            return false;  // scrolling keys keep working
        }
        for (QChar c : text) {
            const QByteArray byte = toCp1252(QString(c));
            // A character the device's character set cannot hold is dropped
            // rather than sent as a question mark.
            if (byte.size() == 1 && (byte[0] != '?' || c == QLatin1Char('?'))) {
                Memo1KeyPress(static_cast<uint8_t>(byte[0]));
            }
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ostrevik
