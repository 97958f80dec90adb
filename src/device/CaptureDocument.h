#pragma once

#include <cstdint>

namespace ostrevik {

// What the live stream decoder needs of the document it captures into: the
// measurement document implements it, and the decoder feeds the device's
// records through it into the capture target (the last record of the
// document's list); the document tells its observers (the window among them).
class CaptureDocument {
public:
    virtual ~CaptureDocument() = default;

    // A record starts: show time 0 of the pictures and make the capture
    // target's row the current row.
    virtual void RecordStarted() = 0;
    // The capture target's tone threshold; repaint when asked (a threshold
    // report between records is shown at once, the one at a record's start
    // with the next batch).
    virtual void SetCaptureThreshold(uint32_t threshold, bool repaint) = 0;
    // One sample into the capture target; keeps the newest point about a
    // quarter of the visible width from the right edge and marks the document
    // changed.
    virtual void AppendCaptureSample(uint8_t sample) = 0;
    // The record ends: a new empty capture target follows it.
    virtual void RecordEnded() = 0;
    // After each batch of received bytes: fit rows and refresh the pictures.
    virtual void BatchDone() = 0;
};

}  // namespace ostrevik
