#pragma once

#include "drills/VerdictTones.h"

#include <QObject>

#include <memory>

namespace ostrevik {

// Plays the verdicts' tones through the PC's speakers. Without an audio
// device (or a build without Qt Multimedia) it plays nothing, and says so
// through available().
class VerdictSound : public QObject {
    Q_OBJECT
public:
    explicit VerdictSound(QObject* parent = nullptr);
    ~VerdictSound() override;

    // Whether there is a device to play on.
    bool available() const;
    // The tone, in place of one still playing.
    void play(VerdictTone tone);

private:
    struct Player;
    mutable std::unique_ptr<Player> player_;  // made when first asked for
};

}  // namespace ostrevik
