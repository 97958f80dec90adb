#pragma once

#include <QApplication>

namespace ostrevik {

// The wait cursor for the scope of some work the user waits for; a message
// box shown meanwhile takes it down itself (see ModalUi).
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() {
        if (QApplication::overrideCursor()) {
            QApplication::restoreOverrideCursor();
        }
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace ostrevik
