#pragma once

#include "common/Messages.h"

#include <QString>

namespace ostrevik {

class CaptureDocument;

// What the device session needs of the program around it, and no more: the
// document the take-ups are captured into, and the user's answer to a
// question (a message is a question with one answer). Everything else the
// session has to tell (the live value, the battery's voltage, the line lost
// and back, which menus apply) it says as signals to whoever shows it.
class SessionHost {
public:
    virtual ~SessionHost() = default;
    // The document the device's take-ups go into (the active one), or
    // nullptr when no document is open.
    virtual CaptureDocument* CaptureTarget() = 0;
    // Makes a new document the capture target ("Datei neu"), after the user
    // said yes to one.
    virtual void NewCaptureTarget() = 0;
    virtual MessageAnswer Ask(const QString& text, const QString& caption,
                              MessageButtons buttons) = 0;
};

}  // namespace ostrevik
