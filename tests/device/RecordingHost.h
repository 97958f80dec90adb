#pragma once

#include "device/DeviceSession.h"

#include "ListDocument.h"

#include <QString>

#include <functional>

namespace ostrevik::test {

// The main window as the session sees it: messages are recorded, records go
// into one document.
struct RecordingHost : DeviceHost, StreamHost {
    int statusTexts = 0;
    QString text;
    QString caption;
    int messages = 0;
    bool hardwareMenu = false;
    bool serviceMenus = false;
    test::ListDocument doc;
    std::function<void(uint32_t)> onLiveValue;

    MessageAnswer Message(const QString& t, const QString& c, MessageButtons) override {
        text = t;
        caption = c;
        ++messages;
        return MessageAnswer::Ok;
    }
    void SetHardwareMenuEnabled(bool enabled) override { hardwareMenu = enabled; }
    void EnableServiceMenus() override { serviceMenus = true; }
    void ShowError(const std::exception& e) override {
        text = QString::fromLocal8Bit(e.what());
        caption = QStringLiteral("Ostrevik");
        ++messages;
    }
    CaptureDocument* ActiveDocument() override { return &doc; }
    MessageAnswer Ask(const QString& t, const QString& c, MessageButtons b) override {
        return Message(t, c, b);
    }
    void NewDocument() override {}
    void ShowLiveValue(uint32_t value) override {
        if (onLiveValue) {
            onLiveValue(value);
        }
    }
    void ShowStatusText(const QString&) override { ++statusTexts; }
};

}  // namespace ostrevik::test
