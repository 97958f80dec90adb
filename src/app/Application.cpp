#include "app/Application.h"

#include "common/ui/ModalUi.h"

#include <QString>

#include <stdexcept>

namespace ostrevik {

void ShowStandardError(QWidget* parent, const std::exception& error) {
    modalUi().showError(parent, error);
}

bool OstrevikApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowStandardError(activeWindow(), error);
    } catch (...) {
        ShowStandardError(activeWindow(), std::runtime_error("Unbekannter Fehler"));
    }
    return false;
}

}  // namespace ostrevik
