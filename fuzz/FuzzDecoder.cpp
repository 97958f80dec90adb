// The live stream decoder fed with any bytes, in events of any size, with any
// answers to the queue-fill query: it must neither crash nor let a record
// grow past its capacity, and a well-formed record after the noise must come
// through intact.
#include "FuzzCheck.h"
#include "ListDocument.h"
#include "QueuedStreamInput.h"
#include "device/LiveStreamDecoder.h"
#include "measurement/Rasters.h"

#include <cstdint>
#include <vector>

using namespace ostrevik;

namespace {

struct Link : test::QueuedStreamInput {
    int lastControl = 0;  // the last pause or resume byte sent
    void SendByte(uint8_t b) override {
        if (b == Command::StreamPause || b == Command::StreamResume) {
            lastControl = b;
        }
    }
    void SendMeasure() override {}
    void SetMemoryBank(int, bool) override {}
};

struct Host : SessionHost {
    CaptureDocument* doc = nullptr;
    bool answerYes = false;
    test::ListDocument* created = nullptr;
    CaptureDocument* CaptureTarget() override { return doc; }
    MessageAnswer Ask(const QString&, const QString&, MessageButtons) override {
        return answerYes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    void NewCaptureTarget() override { doc = created; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    Link link;
    test::ListDocument document;
    Host host;
    host.created = &document;
    host.answerYes = (data[0] & 1) != 0;
    if (data[0] & 2) {
        host.doc = &document;
    }
    LiveStreamDecoder decoder(link, host);
    decoder.LiveValueShown = [](uint32_t v) { check(v <= 255); };

    // The input is cut into events: a control byte gives the event's size and
    // the fill level the decoder sees, then come the event's bytes.
    size_t pos = 1;
    while (pos < size) {
        const uint8_t control = data[pos++];
        const size_t n = std::min<size_t>(size - pos, (control & 0x0F) + 1);
        link.extraWaiting = (control & 0x10) ? 900 : 0;
        for (size_t i = 0; i < n; ++i) {
            link.queue.push_back(data[pos + i]);
        }
        pos += n;
        decoder.ComPort1RxChar(static_cast<int>(link.queue.size()) + ((control & 0x20) ? 3 : 0));
        // The device is paused exactly while the decoder thinks it is.
        check(decoder.StreamPaused == (link.lastControl == Command::StreamPause));
    }
    for (int i = 0; i < document.list.Anzahl(); ++i) {
        check(document.list.Datensatz(i).Werte.size() <= document.list.Datensatz(i).Kapazitaet());
    }

    // Whatever came before, one byte and an end byte finish whatever is in
    // progress (a threshold, a record or a report), and the next well-formed
    // record comes through intact.
    if (host.doc == &document) {
        link.extraWaiting = 0;
        link.queue = {0x00, 0x03, 0x02, 0x42, 0x10, 0x20, 0x03};
        const int before = document.list.Anzahl();
        decoder.ComPort1RxChar(static_cast<int>(link.queue.size()));
        const int after = document.list.Anzahl();
        check(after >= before + 1);
        const Raster_t& last = document.list.Datensatz(after - 2);
        check(last.Tonschwelle == 0x42);
        check(last.Werte == std::vector<uint8_t>({0x10, 0x20}));
        check(decoder.StreamState == LiveStreamDecoder::Idle);
    }
    return 0;
}
