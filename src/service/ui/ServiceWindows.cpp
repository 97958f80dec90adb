#include "service/ui/ServiceWindows.h"

#include "common/ui/ModalUi.h"
#include "device/DeviceSession.h"
#include "service/ui/DebugWindow.h"
#include "service/ui/VariablesWindow.h"
#include "service/ui/GainDialog.h"
#include "service/ui/MemoryBankDialog.h"
#include "service/ui/ToneGeneratorDialog.h"
#include "service/ui/ZeroCalibrationDialog.h"

#include <QWidget>

namespace ostrevik {

ServiceWindows::ServiceWindows(DeviceSession& session, QWidget& parent) : QObject(&parent) {
    gain_ = new TFormVerstarkungDlg(session, &parent);
    zero_ = new TFormNullabgleichDlg(session, &parent);
    variables_ = new TForm8(session, &parent);
    debug_ = new TDebugForm(session.TraceOn, &parent);
    banks_ = new TPvxDatenLoggerDlg(session, &parent);
    tone_ = new TPvxTongenDlg(session, &parent);

    session.TraceByte = [this](uint8_t b) { debug_->TraceByte(b); };
    // A key typed without a connection shows the port's error.
    debug_->SendKey = [this, &session](uint8_t key) {
        try {
            session.SendKey(key);
        } catch (const std::exception& e) {
            modalUi().showError(debug_, e);
        }
    };
    debug_->KeysClosed = [&session] {
        try {
            session.KeysClosed();
        } catch (const std::exception&) {
            // A port that fails is noticed by the session's next use of it.
        }
    };
}

void ServiceWindows::Verstaerkung() {
    gain_->ShowModal();
}

void ServiceWindows::Nullabgleich() {
    zero_->ShowModal();
}

void ServiceWindows::Variableninhalte() {
    variables_->ShowModal();
}

void ServiceWindows::Speicherbaenke() {
    banks_->ShowModal();
}

void ServiceWindows::Tongenerator() {
    tone_->ShowModal();
}

}  // namespace ostrevik
