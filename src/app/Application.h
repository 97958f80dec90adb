#pragma once

#include <QApplication>

#include <exception>

class QWidget;

namespace ostrevik {

// The program's standard error display: the error's text in a message box
// with the caption "Ostrevik"; the program goes on.
void ShowStandardError(QWidget* parent, const std::exception& error);

// The application object. An error that escapes an event handler (a key, a
// timer, a paint) would end the process; here it is shown by the standard
// error display and the event counts as handled.
class OstrevikApplication : public QApplication {
    Q_OBJECT
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace ostrevik
