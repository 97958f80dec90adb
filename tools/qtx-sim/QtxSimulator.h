#pragma once

#include "LineModel.h"
#include "QtxProtocol.h"
#include "TakeUpGenerator.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace ostrevik::qtxsim {

// The device's single-byte variables as ReadVariables returns them.
struct Variables {
    uint8_t pNull = 112;      // working zero point
    uint8_t eNull = 112;      // zero point stored in the EEPROM
    uint8_t gain = 99;        // working gain index 0..239
    uint8_t storedGain = 99;  // gain index stored in the EEPROM
    uint8_t ez0 = 64;
    uint8_t abda = 5;
    uint8_t aendmark = 1;
    uint8_t toneFlag = 1;  // bit 0: pitch rises (1) or falls (0) with pressure
    uint8_t extra8 = 0;
    uint8_t extra9 = 0;

    Bytes ToBytes() const;
    bool operator==(const Variables&) const = default;
};

// How the device misbehaves when it answers one command.
struct ReplyFault {
    enum class Kind {
        Short,    // only `bytes` bytes of the reply
        Missing,  // no reply at all
        Late,     // the whole reply, `delayMs` late
        HangUp,   // `bytes` bytes of the reply, then the line goes dead
        Unplug,   // `bytes` bytes of the reply, then the device is pulled out
                  // (as Unplug() does; Replug() brings it back)
    };
    Kind kind = Kind::Missing;
    int bytes = 0;
    int delayMs = 0;
    bool once = true;  // false: every reply to the command
    // So many replies to the command go out unharmed before the fault hits:
    // 1 lets a probe through and strikes the exchange after it.
    int skip = 0;
};

enum class Pace {
    RealTime,  // 50 samples a second, pauses between take-ups
    Fast,      // as fast as the line takes the bytes
};

enum class RecordSource { TakeUp, Playback };

struct SentRecord {
    Record record;
    RecordSource source = RecordSource::TakeUp;
    // The plugging of the line that was current when its end went out (or
    // was lost): 0 until the first Replug(), n after the n-th.
    int line = 0;
    // For a record that an unplug cut (CutRecords): how many of its bytes,
    // from the 0x02 on, reached the program before the cut, and how many of
    // its last bytes reached it after the replug. Both 0: it went out while
    // the device was unplugged.
    size_t bytesBeforeCut = 0;
    size_t bytesAfterCut = 0;
    // The order in which the device began its records: SentRecords() and
    // CutRecords() merged by it give everything it sent, in order.
    int sequence = -1;
    // When its first byte went to the line (also while unplugged).
    std::chrono::steady_clock::time_point began{};
};

struct SimulatorOptions {
    Pace pace = Pace::Fast;
    uint32_t seed = 1;
    // Gain, zero point and tone direction survive here between runs
    // (StoreToEeprom); empty: nothing is kept.
    std::string statePath;
    // A readable trace of every byte in both directions; empty: none.
    std::string logPath;
    // Battery, bank and threshold reports go before the first take-up and
    // then before every n-th; 0: never.
    int reportEvery = 5;
    // Live take-ups are also stored in the selected bank while it has room.
    bool storeTakeUps = true;
    double shotProbability = 0.85;
    // A shooter at a drill instead of the everyday take-ups (shotProbability
    // and takeUpSeconds then do not apply).
    std::optional<ShooterModel> shooter;
    // Every generated take-up lasts this long; 0: each as long as it comes
    // out (about 1 to 4 s).
    double takeUpSeconds = 0.0;
    // Keep every byte and record sent for Sent() and SentRecords(); a long
    // demonstration turns this off so that memory stays flat.
    bool keepHistory = true;
    // How the bytes travel to the program; by default they arrive at once.
    LineModel line;
};

// A stand-in for the QTX trigger trainer on a pseudo-terminal (or on a real
// serial line). It runs on a thread of its own, so a program under test may
// block its own thread during an exchange and still get its answer.
//
// Typical use in a test:
//   Simulator sim;
//   sim.CreatePty();
//   sim.LinkAs(dir, 3);     // dir/COM3 -> /dev/pts/N
//   sim.QueueTakeUps(2);    // streamed one per Measure
//   sim.Start();
//   ... the program opens COM3 ...
//   sim.WaitForReceived({0x01, 0x01, 0x6D}, 2s);
//
// A device behind a USB adapter that is pulled out and plugged in again:
//   SimulatorOptions options;
//   options.line = LineModel::UsbAdapter();
//   Simulator sim(options);
//   ... CreatePty, LinkAs(dir, 3), LinkStable(byId, "usb-QTX"), Start ...
//   sim.Unplug();           // the program's end hangs up, dir/COM3 goes
//   sim.Replug(4);          // back as dir/COM4, byId/usb-QTX follows it
//   sim.SentRecords();      // the take-ups that reached the program whole
//   sim.CutRecords();       // those the unplug cut or swallowed
//
// All members are safe to call from any thread.
class Simulator {
public:
    explicit Simulator(SimulatorOptions options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // --- the line -----------------------------------------------------------
    // Creates a pseudo-terminal pair and returns the path of the program's
    // end (/dev/pts/N). Throws std::system_error.
    std::string CreatePty();
    // Uses an existing line instead (a serial port wired to the program's).
    void OpenDevice(const std::string& path);
    // Places the link dir/COM<number> to the program's end (creating dir);
    // returns its path. A stale link of that name is replaced.
    std::string LinkAs(const std::string& directory, int number);
    std::string DevicePath() const;
    std::string LinkPath() const;
    void Start();
    void Stop();

    // --- device state -------------------------------------------------------
    void SetVariables(const Variables& variables);
    Variables GetVariables() const;
    void SetBatteryRaw(uint8_t raw);  // volts = raw * 0.02
    // The tone threshold of the take-ups that begin from now on. With
    // report the device also tells the program at once, with its threshold
    // report, between records: while a record is under way, after its end.
    void SetThreshold(uint8_t threshold, bool report = false);
    uint8_t Threshold() const;
    void SetBank(int bank);  // 1..4
    int Bank() const;
    // The stored record stream of a bank (at most kBankCapacity bytes kept).
    void SetBankContents(int bank, const Bytes& stream);
    Bytes BankContents(int bank) const;
    // Fills a bank with generated take-ups while they fit.
    void FillBank(int bank, int takeUps);
    // Makes the zero calibration report "Fehler" in its text.
    void SetCalibrationFails(bool fails);

    // --- the stream ---------------------------------------------------------
    // Take-ups from the seed, streamed one after each Measure.
    void QueueTakeUps(int count);
    // A given take-up, streamed after a Measure like the generated ones.
    void QueueRecord(const Record& record);
    // Raw bytes streamed at the sample pace (pause and resume apply), without
    // waiting for a Measure.
    void QueueScript(const Bytes& bytes);
    int TakeUpsQueued() const;
    bool Paused() const;
    // The next queued take-up begins at once, whether a Measure armed the
    // device or not, without the shooter's delay: its reports (when due)
    // and its start go out at once, the samples at their pace (after a
    // record still under way, and not while the stream is paused). For a
    // device that is in a take-up when the program opens the port; what
    // it sends before then is gone, as on a real line. Returns whether a
    // take-up was queued.
    bool StartTakeUpNow();
    // The next time the device receives `command` it first begins the next
    // queued take-up as StartTakeUpNow() does (or the one whose shooter is
    // still getting ready, at once), then handles the command:
    // with the pause 0x11 the take-up's first samples are in the UART's
    // tail. Once.
    void StartTakeUpOnCommand(uint8_t command);

    // --- faults -------------------------------------------------------------
    void SetReplyFault(uint8_t command, const ReplyFault& fault);
    void ClearReplyFaults();
    // So many noise bytes before every live record.
    void SetLineNoise(int bytesBetweenRecords);
    // Bytes sent at once, ignoring pause (noise, a burst).
    void InjectNow(const Bytes& bytes);
    // A burst of count meaningless bytes at once, to fill the program's
    // input queue.
    void InjectBurst(int count);
    // The line goes dead (the device is unplugged).
    void HangUpNow();
    // The line goes dead after so many samples of the next record.
    void HangUpMidRecord(int afterSamples);
    bool HungUp() const;

    // The device restarts (its battery changed) while the line stays open:
    // it forgets the Measure that armed it, a pause and a command waiting
    // for its argument; its working gain and zero point fall back to the
    // EEPROM's; replies and stream bytes not yet handed to the line are
    // lost. A take-up under way is abandoned and goes to CutRecords() with
    // the bytes that reached the program; one that had not begun is queued
    // again. Then it sends nothing until a Measure, as after power-up
    // (the reports come again before its first take-up).
    void Restart();

    // --- unplugging ---------------------------------------------------------
    // The device is pulled out: the program's end of the line hangs up (as
    // with HangUpNow; bytes already at that end are given up to 200 ms to be
    // read), the port link and the stable link go, and whatever was on the
    // wire or in the adapter is lost. The device itself goes on: a record
    // under way is produced at its pace and lost, and its state (armed by
    // Measure, paused, bank, threshold, variables) stays as it is.
    void Unplug();
    // Plugged in again: a new pseudo-terminal (or the serial line opened
    // again), the port link placed again as COM<number> in its directory
    // (number 0: the number it had), the stable link pointing at the new
    // node. Returns the port link's path, or the device's when there is no
    // link. Does nothing while plugged in.
    std::string Replug(int number = 0);
    bool Plugged() const;
    // A name that stays when the device returns on another port, like udev's
    // /dev/serial/by-id/<name>: directory/name points at the device's node
    // while it is plugged in. Returns its path.
    std::string LinkStable(const std::string& directory, const std::string& name);

    // A line of the test's own in the byte trace (--log), to find a moment
    // of a long run in it.
    void Note(const std::string& text);

    // --- what happened ------------------------------------------------------
    Bytes Received() const;  // every byte from the program
    Bytes Sent() const;      // every byte that reached the program's end of the line
    // Records that reached the program whole, in order.
    std::vector<SentRecord> SentRecords() const;
    // Records of which an unplug lost some or all bytes, in order.
    std::vector<SentRecord> CutRecords() const;
    // Waits until the received bytes (from offset `from`) contain sequence.
    bool WaitForReceived(const Bytes& sequence, std::chrono::milliseconds timeout,
                         size_t from = 0) const;
    bool WaitForSentRecords(size_t count, std::chrono::milliseconds timeout) const;
    // Waits until everything queued for sending has been sent.
    bool WaitUntilSent(std::chrono::milliseconds timeout) const;

private:
    using Clock = std::chrono::steady_clock;

    struct StreamByte {
        LineByte byte;
        int delayMs = 0;  // after the previous stream byte (real time)
    };
    struct Pending {
        Clock::time_point due;
        std::vector<LineByte> bytes;
        bool hangUp = false;           // the line goes dead after these bytes
        bool unplug = false;           // the device is pulled out after these bytes
        bool endsCalibration = false;  // the zero calibration is over once these are out
        bool injected = false;         // the test's bytes, not the device's
    };
    struct RecordInFlight {
        SentRecord sent;
        bool cut = false;        // some of its bytes were lost
        bool begun = false;      // its first byte is handed to the line
        bool abandoned = false;  // the device restarted before its end
        bool generated = false;  // a queued take-up made at its start
        int bank = 0;            // where it is stored once measured; 0: nowhere
    };

    void Run();
    void HandleByteLocked(uint8_t byte, Clock::time_point now);
    void ReplyLocked(uint8_t command, const Bytes& reply, Clock::time_point now, int delayMs = 0);
    void StartTakeUpLocked(Clock::time_point now, bool atOnce = false);
    void AbandonStreamLocked();
    void UnplugLocked();
    void FinishRecordLocked(std::map<int, RecordInFlight>::iterator it);
    void StartPlaybackLocked();
    void CalibrateLocked(Clock::time_point now);
    void StoreLocked();
    void LoadState();
    int AddRecordLocked(const Record& record, RecordSource source);
    void MoveDueBytesLocked(Clock::time_point now);
    std::optional<Clock::time_point> StreamDueLocked(Clock::time_point now) const;
    bool HandPendingLocked(const Pending& pending);
    void HandTailLocked(Clock::time_point now);
    void HandLocked(const LineByte& byte, Clock::time_point at);
    void AccountLocked(const LineByte& byte, bool reached);
    void WriteOutLocked();
    void HangUpLocked();
    void BeginHangUpLocked();
    bool LineDrainedLocked(Clock::time_point since) const;
    void LogLocked(const char* direction, const uint8_t* bytes, size_t count);
    void LogNoteLocked(const char* note);
    int NextTimeoutLocked(Clock::time_point now) const;
    void Wake();
    void CloseLine();
    void CloseFdsLocked();  // both ends of the line
    void OpenPtyLocked();
    void OpenDeviceLocked(const std::string& path);
    void PlaceLinkLocked();
    void RemoveLinksLocked();

    SimulatorOptions options_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;

    int lineFd_ = -1;  // pty master or the serial line
    int keepFd_ = -1;  // the program's end, held open so the line never
                       // reads as hung up between the program's opens
    int wakeFd_ = -1;
    bool onPty_ = false;
    std::string devicePath_;
    std::string linkDir_;
    int linkNumber_ = 0;
    std::string linkPath_;    // empty while there is no link
    std::string stableLink_;  // empty: none wanted
    std::thread thread_;
    bool running_ = false;
    bool stopRequested_ = false;

    TakeUpGenerator generator_;
    Variables variables_;
    uint8_t battery_ = 140;
    uint8_t threshold_ = 160;
    int bank_ = 1;
    std::array<Bytes, kBankCount> banks_;
    bool calibrationFails_ = false;
    // While the device calibrates its zero point it measures nothing: the
    // stream stands still and no take-up begins.
    bool calibrating_ = false;

    std::deque<Record> takeUps_;
    std::deque<bool> pendingGenerated_;  // per queued take-up: made at its start
    bool armed_ = false;
    bool paused_ = false;
    int takeUpsStarted_ = 0;
    int argumentFor_ = -1;  // command waiting for its argument byte
    std::optional<uint8_t> takeUpOnCommand_;
    int streamingRecord_ = -1;  // a record begun on the line and not yet ended
    Bytes thresholdReports_;    // reported once the record under way has ended
    int lineNoise_ = 0;
    int hangUpAfterSamples_ = -1;
    std::map<uint8_t, ReplyFault> faults_;
    bool hungUp_ = false;
    bool hangUpRequested_ = false;
    std::optional<Clock::time_point> hangUpSince_;  // last bytes out, line dies soon
    bool plugged_ = true;
    int plugging_ = 0;
    std::optional<Clock::time_point> unplugSince_;  // the program's end closes soon

    std::deque<Pending> immediate_;  // replies and injections, by due time
    std::deque<StreamByte> stream_;  // records and scripts, paced
    Clock::time_point streamClock_{};
    SerialLine line_;           // handed over by the device, not yet at the program's end
    std::deque<LineByte> out_;  // at the program's end, to be written
    Clock::time_point lastPass_{};
    std::map<int, RecordInFlight> recordsInFlight_;
    int nextRecordId_ = 0;

    Bytes received_;
    Bytes sent_;
    std::vector<SentRecord> sentRecords_;
    std::vector<SentRecord> cutRecords_;
    std::ofstream log_;
    Clock::time_point logStart_ = Clock::now();
};

}  // namespace ostrevik::qtxsim
