#include "drills/ui/VerdictSound.h"

#ifdef OSTREVIK_SOUND
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#endif

namespace ostrevik {

#ifdef OSTREVIK_SOUND
struct VerdictSound::Player {
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    std::unique_ptr<QAudioSink> sink;
    QBuffer buffer;
    QByteArray data;
};
#else
struct VerdictSound::Player {};
#endif

// The audio backend is asked for a device only once the tones are wanted:
// a drill without them never starts it.
VerdictSound::VerdictSound(QObject* parent) : QObject(parent) {}

VerdictSound::~VerdictSound() {
#ifdef OSTREVIK_SOUND
    if (player_ && player_->sink) {
        player_->sink->stop();
    }
#endif
}

bool VerdictSound::available() const {
#ifdef OSTREVIK_SOUND
    if (!player_) {
        player_ = std::make_unique<Player>();
    }
    return !player_->device.isNull();
#else
    return false;
#endif
}

void VerdictSound::play(VerdictTone tone) {
#ifdef OSTREVIK_SOUND
    if (!available()) {
        return;
    }
    Player& p = *player_;
    if (!p.sink) {
        QAudioFormat format;
        format.setSampleRate(kToneSampleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        p.sink = std::make_unique<QAudioSink>(p.device, format);
    }
    p.sink->stop();
    p.buffer.close();
    p.data = verdictTonePcm(tone);
    p.buffer.setData(p.data);
    p.buffer.open(QIODevice::ReadOnly);
    p.sink->start(&p.buffer);
#else
    (void)tone;
#endif
}

}  // namespace ostrevik
