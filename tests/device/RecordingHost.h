#pragma once

#include "device/DeviceSession.h"

#include "ListDocument.h"

#include <QObject>
#include <QString>

#include <functional>

namespace ostrevik::test {

// The program around the session as a test sees it: questions and messages
// are recorded, records go into one document, and what the session says as
// signals is recorded once observe() has connected them.
struct RecordingHost : SessionHost {
    int statusTexts = 0;
    QString text;
    QString caption;
    int messages = 0;
    bool hardwareMenu = false;
    bool serviceMenus = false;
    test::ListDocument doc;
    std::function<void(uint32_t)> onLiveValue;

    // True, so that a fixture can observe as it declares its session.
    bool observe(DeviceSession& session) {
        QObject::connect(&session, &DeviceSession::HardwareAvailable,
                         [this](bool available) { hardwareMenu = available; });
        QObject::connect(&session, &DeviceSession::ServiceAvailable,
                         [this] { serviceMenus = true; });
        QObject::connect(&session, &DeviceSession::StatusText,
                         [this](const QString&) { ++statusTexts; });
        QObject::connect(&session, &DeviceSession::LiveValue, [this](uint32_t value) {
            if (onLiveValue) {
                onLiveValue(value);
            }
        });
        return true;
    }

    CaptureDocument* CaptureTarget() override { return &doc; }
    void NewCaptureTarget() override {}
    MessageAnswer Ask(const QString& t, const QString& c, MessageButtons) override {
        text = t;
        caption = c;
        ++messages;
        return MessageAnswer::Ok;
    }
};

}  // namespace ostrevik::test
