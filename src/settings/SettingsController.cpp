#include "settings/SettingsController.h"

#include "common/Texts.h"

#include <QFileInfo>

namespace ostrevik {

uint32_t PortNumberForConfig(const QString& portName) {
    bool ok = false;
    const int n = portName.mid(3, 2).toInt(&ok);
    return ok ? static_cast<uint32_t>(n) : 1u;
}

SettingsController::SettingsController(QString configPath, QObject* parent)
    : QObject(parent), configPath_(std::move(configPath)) {}

void SettingsController::Load() {
    loadSettings(config_, configPath_);
    emit captionChanged(Texts::MainCaption(config_.userName()));
    liveSettings_ = config_.file.display;
    emit portNumberChanged(static_cast<int>(config_.file.comPortNumber));
    // A remembered document that is gone is skipped without a word.
    for (const QString& path : config_.openFiles) {
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            emit reopen(path);
        }
    }
    emit liveBarChanged(config_.file.liveBarVisible != 0);
}

SettingsController::Choice SettingsController::Current() const {
    return {config_.userName(), config_.file.liveBarVisible != 0};
}

void SettingsController::Apply(const Choice& choice) {
    config_.file.liveBarVisible = choice.liveBarVisible ? 1 : 0;
    emit liveBarChanged(choice.liveBarVisible);
    config_.setUserName(choice.userName);
    emit captionChanged(Texts::MainCaption(config_.userName()));
}

FileWriteResult SettingsController::Save(const QString& portName, const QStringList& openFiles) {
    config_.file.display = liveSettings_;
    config_.file.comPortNumber = PortNumberForConfig(portName);
    config_.openFiles = openFiles;
    return saveSettings(config_, configPath_);
}

}  // namespace ostrevik
