#pragma once

#include <QObject>

class QWidget;

namespace ostrevik {

class DeviceSession;
class TDebugForm;
class TForm8;
class TFormNullabgleichDlg;
class TFormVerstarkungDlg;
class TPvxDatenLoggerDlg;
class TPvxTongenDlg;

// The windows that talk to the device, created once over the device session
// and shown modally by their commands: gain, zero calibration, variables,
// memory banks, tone generator, and the debug window with its byte trace.
class ServiceWindows : public QObject {
    Q_OBJECT
public:
    ServiceWindows(DeviceSession& session, QWidget& parent);

    void Verstaerkung();
    void Nullabgleich();
    void Variableninhalte();
    void Speicherbaenke();
    void Tongenerator();

    TFormVerstarkungDlg& GainDialog() const { return *gain_; }
    TFormNullabgleichDlg& ZeroCalibrationDialog() const { return *zero_; }
    TForm8& VariablesWindow() const { return *variables_; }
    TPvxDatenLoggerDlg& MemoryBankDialog() const { return *banks_; }
    TPvxTongenDlg& ToneGeneratorDialog() const { return *tone_; }
    TDebugForm& DebugWindow() const { return *debug_; }

private:
    TFormVerstarkungDlg* gain_ = nullptr;
    TFormNullabgleichDlg* zero_ = nullptr;
    TForm8* variables_ = nullptr;
    TDebugForm* debug_ = nullptr;
    TPvxDatenLoggerDlg* banks_ = nullptr;
    TPvxTongenDlg* tone_ = nullptr;
};

}  // namespace ostrevik
