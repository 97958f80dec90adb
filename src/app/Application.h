#pragma once

#include <QApplication>

namespace ostrevik {

// The application object. An error that escapes an event handler (a key, a
// timer, a paint) would end the process; here it is shown by the program's
// standard error display (ModalUi::showError) and the event counts as handled.
class OstrevikApplication : public QApplication {
    Q_OBJECT
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace ostrevik
