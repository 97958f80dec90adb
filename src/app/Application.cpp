#include "app/Application.h"

#include "common/ui/ModalUi.h"

#include <QString>

#include <stdexcept>

namespace ostrevik {

bool OstrevikApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        modalUi().showError(activeWindow(), error);
    } catch (...) {
        modalUi().showError(activeWindow(), std::runtime_error("Unbekannter Fehler"));
    }
    return false;
}

}  // namespace ostrevik
