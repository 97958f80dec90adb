#include "QtxSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace ostrevik::qtxsim {

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr uint8_t kAck = 0x06;
// Stream bytes handed to the line ahead of time; small, so that a pause
// from the program takes effect soon even at full speed.
constexpr size_t kStreamAhead = 256;
// The device answers a command at once, before the next stream byte that is
// not yet due.
constexpr int kReplyDelayMs = 0;
constexpr int kCalibrationMs = 1500;  // how long a zero calibration takes
constexpr const char* kCalibrationOk = "Nullabgleich: OK\r\n";
constexpr const char* kCalibrationError = "Nullabgleich: Fehler, Abzug belastet\r\n";

[[noreturn]] void throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void makeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) == 0) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        settings.c_cc[VMIN] = 1;  // an empty read is EAGAIN, 0 means hung up
        settings.c_cc[VTIME] = 0;
        ::tcsetattr(fd, TCSANOW, &settings);
    }
}

// "   1.234 ": the time stamp of a log line.
std::string secondsSince(std::chrono::steady_clock::time_point start) {
    const auto ms =
        std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.3f ", static_cast<double>(ms) / 1000.0);
    return stamp;
}

// A stale link of that name is replaced.
void replaceSymlink(const std::string& target, const fs::path& link) {
    std::error_code ignored;
    if (fs::is_symlink(fs::symlink_status(link, ignored))) {
        fs::remove(link, ignored);
    }
    fs::create_symlink(target, link);
}

}  // namespace

Bytes Variables::ToBytes() const {
    return {pNull, eNull, gain, storedGain, ez0, abda, aendmark, toneFlag, extra8, extra9};
}

Simulator::Simulator(SimulatorOptions options)
    : options_(std::move(options)), generator_(options_.seed), line_(options_.line) {
    generator_.SetShotProbability(options_.shotProbability);
    generator_.SetShooter(options_.shooter);
    generator_.SetLength(
        static_cast<int>(std::lround(options_.takeUpSeconds * 1000.0 / kSampleMs)));
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        throwErrno("eventfd");
    }
    if (!options_.logPath.empty()) {
        log_.open(options_.logPath, std::ios::out | std::ios::trunc);
    }
    LoadState();
}

Simulator::~Simulator() {
    Stop();
    CloseLine();
    ::close(wakeFd_);
}

std::string Simulator::CreatePty() {
    std::lock_guard lock(mutex_);
    OpenPtyLocked();
    return devicePath_;
}

void Simulator::OpenPtyLocked() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        throwErrno("posix_openpt");
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        const int error = errno;
        ::close(master);
        throw std::system_error(error, std::generic_category(), "pseudo-terminal");
    }
    // Holding the program's end open keeps the line alive while the program
    // has it closed (between a probe and the real open); without it the
    // master side would read as hung up.
    const int keep = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (keep < 0) {
        const int error = errno;
        ::close(master);
        throw std::system_error(error, std::generic_category(), name);
    }
    makeRaw(keep);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    lineFd_ = master;
    keepFd_ = keep;
    devicePath_ = name;
    onPty_ = true;
}

void Simulator::OpenDevice(const std::string& path) {
    std::lock_guard lock(mutex_);
    OpenDeviceLocked(path);
}

void Simulator::OpenDeviceLocked(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throwErrno(path.c_str());
    }
    makeRaw(fd);
    termios settings{};
    if (::tcgetattr(fd, &settings) == 0) {
        ::cfsetispeed(&settings, B19200);
        ::cfsetospeed(&settings, B19200);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    lineFd_ = fd;
    devicePath_ = path;
    onPty_ = false;
}

std::string Simulator::LinkAs(const std::string& directory, int number) {
    std::lock_guard lock(mutex_);
    linkDir_ = directory;
    linkNumber_ = number;
    PlaceLinkLocked();
    return linkPath_;
}

void Simulator::PlaceLinkLocked() {
    fs::create_directories(linkDir_);
    const fs::path link = fs::path(linkDir_) / ("COM" + std::to_string(linkNumber_));
    replaceSymlink(devicePath_, link);
    linkPath_ = link.string();
}

std::string Simulator::LinkStable(const std::string& directory, const std::string& name) {
    std::lock_guard lock(mutex_);
    fs::create_directories(directory);
    stableLink_ = (fs::path(directory) / name).string();
    if (plugged_ && !hungUp_) {
        replaceSymlink(devicePath_, stableLink_);
    }
    return stableLink_;
}

void Simulator::RemoveLinksLocked() {
    // Only our own links: another simulator may have taken the names since.
    for (const std::string& link : {linkPath_, stableLink_}) {
        std::error_code error;
        if (!link.empty() && fs::read_symlink(link, error) == fs::path(devicePath_)) {
            fs::remove(link, error);
        }
    }
    linkPath_.clear();
}

std::string Simulator::DevicePath() const {
    std::lock_guard lock(mutex_);
    return devicePath_;
}

std::string Simulator::LinkPath() const {
    std::lock_guard lock(mutex_);
    return linkPath_;
}

void Simulator::Start() {
    std::lock_guard lock(mutex_);
    if (running_ || lineFd_ < 0) {
        return;
    }
    running_ = true;
    stopRequested_ = false;
    thread_ = std::thread([this] { Run(); });
}

void Simulator::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    running_ = false;
}

void Simulator::CloseFdsLocked() {
    for (int* fd : {&keepFd_, &lineFd_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void Simulator::CloseLine() {
    std::lock_guard lock(mutex_);
    CloseFdsLocked();
    RemoveLinksLocked();
}

void Simulator::Wake() {
    const uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// --- device state -------------------------------------------------------

void Simulator::SetVariables(const Variables& variables) {
    std::lock_guard lock(mutex_);
    variables_ = variables;
}

Variables Simulator::GetVariables() const {
    std::lock_guard lock(mutex_);
    return variables_;
}

void Simulator::SetBatteryRaw(uint8_t raw) {
    std::lock_guard lock(mutex_);
    battery_ = raw;
}

void Simulator::SetThreshold(uint8_t threshold, bool report) {
    {
        std::lock_guard lock(mutex_);
        threshold_ = threshold;
        if (!report) {
            return;
        }
        if (streamingRecord_ >= 0) {
            // A report inside a record would be read as two of its samples.
            thresholdReports_.push_back(threshold);
        } else {
            // Handed here under the lock, so no record can begin first.
            const Clock::time_point now = Clock::now();
            HandLocked(LineByte{kThresholdReport}, now);
            HandLocked(LineByte{threshold}, now);
        }
    }
    Wake();
}

uint8_t Simulator::Threshold() const {
    std::lock_guard lock(mutex_);
    return threshold_;
}

void Simulator::SetBank(int bank) {
    std::lock_guard lock(mutex_);
    bank_ = std::clamp(bank, 1, kBankCount);
}

int Simulator::Bank() const {
    std::lock_guard lock(mutex_);
    return bank_;
}

void Simulator::SetBankContents(int bank, const Bytes& stream) {
    std::lock_guard lock(mutex_);
    Bytes& target = banks_.at(static_cast<size_t>(std::clamp(bank, 1, kBankCount) - 1));
    target.assign(stream.begin(), stream.begin() + static_cast<long>(std::min<size_t>(
                                                       stream.size(), kBankCapacity)));
}

Bytes Simulator::BankContents(int bank) const {
    std::lock_guard lock(mutex_);
    return banks_.at(static_cast<size_t>(std::clamp(bank, 1, kBankCount) - 1));
}

void Simulator::FillBank(int bank, int takeUps) {
    std::lock_guard lock(mutex_);
    Bytes& target = banks_.at(static_cast<size_t>(std::clamp(bank, 1, kBankCount) - 1));
    for (int i = 0; i < takeUps; ++i) {
        const Bytes encoded = EncodeRecord(generator_.Next(threshold_));
        if (target.size() + encoded.size() > kBankCapacity) {
            break;
        }
        target.insert(target.end(), encoded.begin(), encoded.end());
    }
}

void Simulator::SetCalibrationFails(bool fails) {
    std::lock_guard lock(mutex_);
    calibrationFails_ = fails;
}

// --- the stream ---------------------------------------------------------

void Simulator::QueueTakeUps(int count) {
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < count; ++i) {
            // Generated when it starts, with the threshold then in force.
            takeUps_.push_back(Record{});
            takeUps_.back().threshold = 0;
            pendingGenerated_.push_back(true);
        }
    }
    Wake();
}

void Simulator::QueueRecord(const Record& record) {
    {
        std::lock_guard lock(mutex_);
        takeUps_.push_back(record);
        pendingGenerated_.push_back(false);
    }
    Wake();
}

void Simulator::QueueScript(const Bytes& bytes) {
    {
        std::lock_guard lock(mutex_);
        if (stream_.empty()) {
            streamClock_ = Clock::now();
        }
        const int delay = options_.pace == Pace::RealTime ? kSampleMs : 0;
        for (uint8_t b : bytes) {
            stream_.push_back(StreamByte{LineByte{b}, delay});
        }
    }
    Wake();
}

int Simulator::TakeUpsQueued() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(takeUps_.size());
}

bool Simulator::Paused() const {
    std::lock_guard lock(mutex_);
    return paused_;
}

bool Simulator::StartTakeUpNow() {
    {
        std::lock_guard lock(mutex_);
        if (takeUps_.empty()) {
            return false;
        }
        StartTakeUpLocked(Clock::now(), true);
    }
    Wake();
    return true;
}

void Simulator::StartTakeUpOnCommand(uint8_t command) {
    std::lock_guard lock(mutex_);
    takeUpOnCommand_ = command;
}

// --- faults -------------------------------------------------------------

void Simulator::SetReplyFault(uint8_t command, const ReplyFault& fault) {
    std::lock_guard lock(mutex_);
    faults_[command] = fault;
}

void Simulator::ClearReplyFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

void Simulator::SetLineNoise(int bytesBetweenRecords) {
    std::lock_guard lock(mutex_);
    lineNoise_ = std::max(0, bytesBetweenRecords);
}

void Simulator::InjectNow(const Bytes& bytes) {
    {
        std::lock_guard lock(mutex_);
        Pending pending;
        pending.due = Clock::now();
        if (!immediate_.empty()) {
            pending.due = std::max(pending.due, immediate_.back().due);
        }
        for (uint8_t b : bytes) {
            pending.bytes.push_back(LineByte{b});
        }
        pending.injected = true;
        immediate_.push_back(std::move(pending));
    }
    Wake();
}

void Simulator::InjectBurst(int count) {
    Bytes burst;
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < count; ++i) {
            burst.push_back(generator_.NoiseByte());
        }
    }
    InjectNow(burst);
}

void Simulator::HangUpNow() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            HangUpLocked();
            return;
        }
        hangUpRequested_ = true;
    }
    Wake();
}

void Simulator::HangUpMidRecord(int afterSamples) {
    std::lock_guard lock(mutex_);
    hangUpAfterSamples_ = std::max(0, afterSamples);
}

bool Simulator::HungUp() const {
    std::lock_guard lock(mutex_);
    return hungUp_;
}

void Simulator::BeginHangUpLocked() {
    // The last bytes must reach the program before the line dies: a hang-up
    // discards what the program's end has not yet taken in.
    hangUpSince_ = Clock::now();
    line_.Clear();
    out_.clear();
    stream_.clear();
    immediate_.clear();
}

bool Simulator::LineDrainedLocked(Clock::time_point since) const {
    const auto elapsed = Clock::now() - since;
    if (elapsed >= milliseconds(200)) {
        return true;
    }
    int waiting = 0;
    if (keepFd_ >= 0 && ::ioctl(keepFd_, FIONREAD, &waiting) == 0) {
        // A few milliseconds first: the bytes pass a kernel buffer before
        // they count as waiting at the program's end.
        return waiting == 0 && elapsed >= milliseconds(5);
    }
    return elapsed >= milliseconds(20);
}

void Simulator::HangUpLocked() {
    if (hungUp_) {
        return;
    }
    hungUp_ = true;
    LogNoteLocked("line hung up");
    // Closing the master side hangs up the program's end: it reads end of
    // file, and poll() reports POLLHUP, as when a USB adapter is pulled.
    CloseFdsLocked();
    RemoveLinksLocked();
    line_.Clear();
    out_.clear();
    stream_.clear();
    immediate_.clear();
    changed_.notify_all();
}

void Simulator::Restart() {
    {
        std::lock_guard lock(mutex_);
        LogNoteLocked("device restarted");
        armed_ = false;
        paused_ = false;
        argumentFor_ = -1;
        calibrating_ = false;
        takeUpsStarted_ = 0;
        thresholdReports_.clear();
        variables_.gain = variables_.storedGain;
        variables_.pNull = variables_.eNull;
        // Replies the device had not yet sent die with it; what the test
        // injected is not the device's.
        std::erase_if(immediate_, [](const Pending& pending) { return !pending.injected; });
        AbandonStreamLocked();
        changed_.notify_all();
    }
    Wake();
}

void Simulator::AbandonStreamLocked() {
    std::vector<int> records;  // in the stream's order
    for (const StreamByte& b : stream_) {
        if (b.byte.recordId >= 0 &&
            std::find(records.begin(), records.end(), b.byte.recordId) == records.end()) {
            records.push_back(b.byte.recordId);
        }
    }
    stream_.clear();
    streamingRecord_ = -1;
    std::vector<bool> requeued;  // generated or given, for each record requeued
    std::vector<Record> again;
    for (int id : records) {
        auto it = recordsInFlight_.find(id);
        if (it == recordsInFlight_.end()) {
            continue;
        }
        RecordInFlight& record = it->second;
        if (!record.begun) {
            // The shooter had not begun: the take-up is still to come.
            if (record.sent.source == RecordSource::TakeUp) {
                again.push_back(record.sent.record);
                requeued.push_back(record.generated);
            }
            recordsInFlight_.erase(it);
            continue;
        }
        record.abandoned = true;
        // Its bytes on the line still reach the program; the record is
        // accounted for with the last of them, or now if none is left.
        LineByte* last = line_.LastOfRecord(id);
        if (!last) {
            auto inOut = std::find_if(out_.rbegin(), out_.rend(),
                                      [id](const LineByte& b) { return b.recordId == id; });
            last = inOut == out_.rend() ? nullptr : &*inOut;
        }
        if (last) {
            last->endsRecord = true;
        } else {
            FinishRecordLocked(it);
        }
    }
    for (size_t i = again.size(); i-- > 0;) {
        takeUps_.push_front(requeued[i] ? Record{} : again[i]);
        pendingGenerated_.push_front(requeued[i]);
    }
}

// --- unplugging ---------------------------------------------------------

void Simulator::Unplug() {
    {
        std::lock_guard lock(mutex_);
        UnplugLocked();
    }
    Wake();
}

void Simulator::UnplugLocked() {
    if (!plugged_ || hungUp_ || lineFd_ < 0) {
        return;
    }
    plugged_ = false;
    LogNoteLocked("unplugged");
    // What is on the wire, in the adapter or not yet written to the
    // program's end goes with the line.
    for (const LineByte& b : line_.Clear()) {
        AccountLocked(b, false);
    }
    for (const LineByte& b : out_) {
        AccountLocked(b, false);
    }
    out_.clear();
    RemoveLinksLocked();
    if (running_) {
        unplugSince_ = Clock::now();  // the thread closes the line once drained
    } else {
        CloseFdsLocked();
    }
    changed_.notify_all();
}

std::string Simulator::Replug(int number) {
    std::string path;
    {
        std::lock_guard lock(mutex_);
        if (hungUp_) {
            throw std::logic_error("the simulated device has hung up for good");
        }
        if (!plugged_) {
            // A drain still under way is cut short: the old line is gone.
            CloseFdsLocked();
            unplugSince_.reset();
            if (onPty_) {
                OpenPtyLocked();
            } else {
                OpenDeviceLocked(devicePath_);
            }
            if (number > 0) {
                linkNumber_ = number;
            }
            if (!linkDir_.empty()) {
                PlaceLinkLocked();
            }
            if (!stableLink_.empty()) {
                replaceSymlink(devicePath_, stableLink_);
            }
            plugged_ = true;
            ++plugging_;
            LogNoteLocked("plugged in again");
            changed_.notify_all();
        }
        path = linkPath_.empty() ? devicePath_ : linkPath_;
    }
    Wake();
    return path;
}

bool Simulator::Plugged() const {
    std::lock_guard lock(mutex_);
    return plugged_ && !hungUp_;
}

// --- what happened ------------------------------------------------------

Bytes Simulator::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

Bytes Simulator::Sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<SentRecord> Simulator::SentRecords() const {
    std::lock_guard lock(mutex_);
    return sentRecords_;
}

std::vector<SentRecord> Simulator::CutRecords() const {
    std::lock_guard lock(mutex_);
    return cutRecords_;
}

bool Simulator::WaitForReceived(const Bytes& sequence, milliseconds timeout, size_t from) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        if (from > received_.size()) {
            return false;
        }
        return std::search(received_.begin() + static_cast<long>(from), received_.end(),
                           sequence.begin(), sequence.end()) != received_.end();
    });
}

bool Simulator::WaitForSentRecords(size_t count, milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return sentRecords_.size() >= count; });
}

bool Simulator::WaitUntilSent(milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return hungUp_ || (out_.empty() && line_.Empty() && immediate_.empty() &&
                           (stream_.empty() || paused_) && (takeUps_.empty() || !armed_));
    });
}

// --- the device ---------------------------------------------------------

void Simulator::Run() {
    for (;;) {
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, POLLIN, 0}};
        int timeout = -1;
        {
            std::lock_guard lock(mutex_);
            if (hangUpRequested_ || (hangUpSince_ && LineDrainedLocked(*hangUpSince_))) {
                HangUpLocked();
            }
            if (stopRequested_ || hungUp_) {
                return;
            }
            if (unplugSince_ && LineDrainedLocked(*unplugSince_)) {
                CloseFdsLocked();
                unplugSince_.reset();
                changed_.notify_all();
            }
            const Clock::time_point now = Clock::now();
            MoveDueBytesLocked(now);
            WriteOutLocked();
            if (hungUp_) {
                return;
            }
            timeout = hangUpSince_ || unplugSince_ ? 1 : NextTimeoutLocked(Clock::now());
            if (plugged_) {
                fds[1].fd = lineFd_;
                if (!out_.empty()) {
                    fds[1].events |= POLLOUT;
                }
            }
        }
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR) {
            std::lock_guard lock(mutex_);
            HangUpLocked();
            return;
        }
        if (fds[0].revents != 0) {
            uint64_t value = 0;
            while (::read(wakeFd_, &value, sizeof value) < 0 && errno == EINTR) {
            }
        }
        if (fds[1].revents & POLLIN) {
            uint8_t chunk[512];
            const ssize_t n = ::read(fds[1].fd, chunk, sizeof chunk);
            std::lock_guard lock(mutex_);
            if (!plugged_) {
                continue;  // unplugged meanwhile: the bytes never reached the device
            }
            if (n > 0) {
                LogLocked("PC ", chunk, static_cast<size_t>(n));
                received_.insert(received_.end(), chunk, chunk + n);
                const Clock::time_point now = Clock::now();
                for (ssize_t i = 0; i < n; ++i) {
                    HandleByteLocked(chunk[i], now);
                }
                changed_.notify_all();
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                HangUpLocked();
                return;
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            std::lock_guard lock(mutex_);
            if (plugged_) {
                HangUpLocked();
                return;
            }
        }
    }
}

void Simulator::HandleByteLocked(uint8_t byte, Clock::time_point now) {
    if (argumentFor_ >= 0) {
        const int command = argumentFor_;
        argumentFor_ = -1;
        if (command == kSetGain) {
            variables_.gain = std::min<uint8_t>(byte, kGainSteps - 1);
        } else if (command == kSetToneDirection) {
            if (byte == '0' || byte == '1') {
                variables_.toneFlag =
                    static_cast<uint8_t>((variables_.toneFlag & ~1u) | (byte - '0'));
                StoreLocked();
            }
            ReplyLocked(kSetToneDirection, {kAck}, now);
        }
        return;
    }
    if (takeUpOnCommand_ == byte) {
        takeUpOnCommand_.reset();
        if (!stream_.empty() && stream_.front().delayMs > kSampleMs) {
            // A take-up waiting for the shooter to get ready begins now.
            stream_.front().delayMs = 0;
            streamClock_ = now;
        } else if (!takeUps_.empty()) {
            StartTakeUpLocked(now, true);
        }
    }
    switch (byte) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04:
            bank_ = byte;
            ReplyLocked(byte, {kAck, static_cast<uint8_t>('0' + bank_)}, now);
            break;
        case kMeasure:
            armed_ = true;
            break;
        case kStatusRequest:
            ReplyLocked(byte, {kAck, static_cast<uint8_t>('0' + bank_)}, now);
            break;
        case kPlayback:
            StartPlaybackLocked();
            break;
        case kClearBank:
            banks_[static_cast<size_t>(bank_ - 1)].clear();
            ReplyLocked(byte, {kAck}, now);
            break;
        case kStreamPause:
            if (!paused_) {
                paused_ = true;
                HandTailLocked(now);
            }
            break;
        case kStreamResume:
            paused_ = false;
            break;
        case kReadVariables:
            ReplyLocked(byte, variables_.ToBytes(), now);
            break;
        case kSetGain:
        case kSetToneDirection:
            argumentFor_ = byte;
            break;
        case kStoreToEeprom:
            variables_.storedGain = variables_.gain;
            variables_.eNull = variables_.pNull;
            StoreLocked();
            break;
        case kStartZeroCalibration:
            CalibrateLocked(now);
            break;
        case kReadBankLevels: {
            Bytes levels(kBankLevelsReplyLength, 0);
            for (size_t i = 0; i < kBankCount; ++i) {
                const size_t used = banks_[i].size();
                levels[2 * i] = static_cast<uint8_t>(used & 0xFF);
                levels[2 * i + 1] = static_cast<uint8_t>(used >> 8);
            }
            ReplyLocked(byte, levels, now);
            break;
        }
        default:
            break;  // the device ignores what it does not know
    }
}

void Simulator::ReplyLocked(uint8_t command, const Bytes& reply, Clock::time_point now,
                            int delayMs) {
    Bytes bytes = reply;
    bool hangUp = false;
    bool unplug = false;
    int delay = delayMs + (options_.pace == Pace::RealTime ? kReplyDelayMs : 0);
    if (auto it = faults_.find(command); it != faults_.end() && it->second.skip > 0) {
        --it->second.skip;
    } else if (it != faults_.end()) {
        const ReplyFault fault = it->second;
        if (fault.once) {
            faults_.erase(it);
        }
        switch (fault.kind) {
            case ReplyFault::Kind::Short:
                bytes.resize(std::min(bytes.size(), static_cast<size_t>(std::max(0, fault.bytes))));
                break;
            case ReplyFault::Kind::Missing:
                bytes.clear();
                break;
            case ReplyFault::Kind::Late:
                delay += fault.delayMs;
                break;
            case ReplyFault::Kind::HangUp:
                bytes.resize(std::min(bytes.size(), static_cast<size_t>(std::max(0, fault.bytes))));
                hangUp = true;
                break;
            case ReplyFault::Kind::Unplug:
                bytes.resize(std::min(bytes.size(), static_cast<size_t>(std::max(0, fault.bytes))));
                unplug = true;
                break;
        }
    }
    if (bytes.empty() && !hangUp && !unplug) {
        return;
    }
    Pending pending;
    pending.due = now + milliseconds(delay);
    if (!immediate_.empty()) {
        pending.due = std::max(pending.due, immediate_.back().due);
    }
    for (uint8_t b : bytes) {
        pending.bytes.push_back(LineByte{b});
    }
    pending.hangUp = hangUp;
    pending.unplug = unplug;
    immediate_.push_back(std::move(pending));
}

void Simulator::CalibrateLocked(Clock::time_point now) {
    // A take-up under way means a finger on the trigger: the zero point
    // cannot be found.
    const bool fails = calibrationFails_ || !recordsInFlight_.empty();
    const char* text = fails ? kCalibrationError : kCalibrationOk;
    Bytes reply(text, text + std::char_traits<char>::length(text));
    reply.push_back(kCalibrationEnd);
    if (!fails) {
        variables_.pNull = static_cast<uint8_t>(generator_.Uniform(100, 130));
    }
    const size_t before = immediate_.size();
    ReplyLocked(kStartZeroCalibration, reply, now,
                options_.pace == Pace::RealTime ? kCalibrationMs : 0);
    if (immediate_.size() > before) {
        immediate_.back().endsCalibration = true;
        calibrating_ = true;
    }
}

int Simulator::AddRecordLocked(const Record& record, RecordSource source) {
    const int id = nextRecordId_++;
    recordsInFlight_[id] = RecordInFlight{SentRecord{record, source}};
    recordsInFlight_[id].sent.sequence = id;
    return id;
}

void Simulator::StartTakeUpLocked(Clock::time_point now, bool atOnce) {
    Record record = std::move(takeUps_.front());
    const bool generate = pendingGenerated_.front();
    takeUps_.pop_front();
    pendingGenerated_.pop_front();
    if (generate) {
        record = generator_.Next(threshold_);
    }
    armed_ = false;

    const bool realTime = options_.pace == Pace::RealTime;
    // Where nothing else streams, a take-up that begins at once starts on
    // the line at once, before anything the device does next.
    const bool handNow = atOnce && stream_.empty() && !paused_ && !calibrating_;
    // The shooter gets ready.
    int delay = realTime && !atOnce ? generator_.Uniform(800, 2500) : 0;
    auto push = [&](LineByte byte) {
        stream_.push_back(StreamByte{byte, delay});
        delay = 0;
    };
    if (options_.reportEvery > 0 && takeUpsStarted_ % options_.reportEvery == 0) {
        for (uint8_t b : {kBatteryReport, battery_, kBankReport, static_cast<uint8_t>(bank_),
                          kThresholdReport, threshold_}) {
            push(LineByte{b});
        }
    }
    for (int i = 0; i < lineNoise_; ++i) {
        push(LineByte{generator_.NoiseByte()});
    }
    const int id = AddRecordLocked(record, RecordSource::TakeUp);
    recordsInFlight_[id].generated = generate;
    // Stored in the bank selected now, once it is measured to its end.
    recordsInFlight_[id].bank = options_.storeTakeUps ? bank_ : 0;
    push(LineByte{kRecordStart, id});
    push(LineByte{record.threshold, id});
    const size_t firstSample = stream_.size();
    delay = realTime ? kSampleMs : 0;
    for (uint8_t sample : record.samples) {
        stream_.push_back(StreamByte{LineByte{sample, id}, delay});
    }
    stream_.push_back(StreamByte{LineByte{kRecordEnd, id, true}, delay});
    if (hangUpAfterSamples_ >= 0) {
        // After k samples: k = 0 is the threshold byte.
        const size_t index =
            std::min(firstSample + static_cast<size_t>(hangUpAfterSamples_), stream_.size()) - 1;
        stream_[index].byte.hangUp = true;
        hangUpAfterSamples_ = -1;
    }

    ++takeUpsStarted_;
    streamClock_ = now;
    if (handNow) {
        for (size_t i = 0; i < firstSample; ++i) {
            HandLocked(stream_.front().byte, now);
            stream_.pop_front();
        }
    }
}

void Simulator::StartPlaybackLocked() {
    const Bytes& bank = banks_[static_cast<size_t>(bank_ - 1)];
    if (stream_.empty()) {
        streamClock_ = Clock::now();
    }
    // The stored bytes go out as they are; the records' bytes are marked so
    // that the log of sent records shows what was played back.
    enum { Idle, Threshold, Samples } state = Idle;
    Record record;
    int id = -1;
    for (uint8_t b : bank) {
        LineByte byte{b};
        switch (state) {
            case Idle:
                if (b == kRecordStart) {
                    id = nextRecordId_++;
                    byte.recordId = id;
                    state = Threshold;
                }
                break;
            case Threshold:
                record = Record{b, {}};
                byte.recordId = id;
                state = Samples;
                break;
            case Samples:
                byte.recordId = id;
                if (b == kRecordEnd) {
                    byte.endsRecord = true;
                    recordsInFlight_[id] =
                        RecordInFlight{SentRecord{record, RecordSource::Playback}};
                    recordsInFlight_[id].sent.sequence = id;
                    state = Idle;
                } else {
                    record.samples.push_back(b);
                }
                break;
        }
        stream_.push_back(StreamByte{byte, 0});
    }
}

std::optional<Simulator::Clock::time_point> Simulator::StreamDueLocked(
    Clock::time_point now) const {
    if (paused_ || calibrating_ || stream_.empty() || out_.size() + line_.Size() >= kStreamAhead) {
        return std::nullopt;
    }
    if (options_.pace == Pace::RealTime) {
        const Clock::time_point due = streamClock_ + milliseconds(stream_.front().delayMs);
        return due <= now ? std::optional(due) : std::nullopt;
    }
    if (!options_.line.bytePacing) {
        return now;
    }
    // As fast as the line takes the bytes: the next one as soon as the UART
    // is free. While it has been busy since the last pass the bytes follow
    // each other without a gap, however late this thread woke.
    const Clock::time_point free = line_.FreeAt();
    if (free > now) {
        return std::nullopt;
    }
    return free > lastPass_ ? free : now;
}

void Simulator::MoveDueBytesLocked(Clock::time_point now) {
    // Replies and stream bytes share the one line, in the order the device
    // made them.
    for (;;) {
        if (armed_ && stream_.empty() && !takeUps_.empty() && !calibrating_) {
            StartTakeUpLocked(now);
        }
        const std::optional<Clock::time_point> streamDue = StreamDueLocked(now);
        const bool replyDue = !immediate_.empty() && immediate_.front().due <= now;
        if (streamDue && (!replyDue || *streamDue <= immediate_.front().due)) {
            Clock::time_point at = *streamDue;
            if (options_.pace == Pace::RealTime) {
                // After a pause the stream goes on from now, not in a rush.
                at = now - at > milliseconds(100) ? now : at;
                streamClock_ = at;
            }
            HandLocked(stream_.front().byte, at);
            stream_.pop_front();
        } else if (replyDue) {
            const Pending pending = std::move(immediate_.front());
            immediate_.pop_front();
            if (!HandPendingLocked(pending)) {
                return;
            }
        } else {
            break;
        }
    }
    line_.TakeArrived(now, out_);
    lastPass_ = now;
}

bool Simulator::HandPendingLocked(const Pending& pending) {
    for (size_t i = 0; i < pending.bytes.size(); ++i) {
        LineByte byte = pending.bytes[i];
        byte.hangUp = pending.hangUp && i + 1 == pending.bytes.size();
        byte.unplug = pending.unplug && i + 1 == pending.bytes.size();
        HandLocked(byte, pending.due);
    }
    if (pending.endsCalibration) {
        calibrating_ = false;
    }
    if (pending.unplug && pending.bytes.empty() && plugged_) {
        // Pulled out once what is already on its way is out.
        if (LineByte* last = line_.Last()) {
            last->unplug = true;
        } else if (!out_.empty()) {
            out_.back().unplug = true;
        } else {
            UnplugLocked();
        }
    }
    if (pending.hangUp && pending.bytes.empty() && plugged_) {
        // No byte of the reply: the line dies once what is already on its
        // way is out.
        if (LineByte* last = line_.Last()) {
            last->hangUp = true;
        } else if (!out_.empty()) {
            out_.back().hangUp = true;
        } else {
            BeginHangUpLocked();
            return false;
        }
    }
    return true;
}

void Simulator::HandTailLocked(Clock::time_point now) {
    // The samples already in the UART still go out; a stream that waits for
    // the shooter (a gap before the next take-up) has none there.
    int handed = 0;
    while (handed < options_.line.uartTail && !stream_.empty() && !calibrating_ &&
           stream_.front().delayMs <= kSampleMs) {
        HandLocked(stream_.front().byte, now);
        stream_.pop_front();
        ++handed;
    }
    if (handed > 0) {
        streamClock_ = now;
    }
}

void Simulator::HandLocked(const LineByte& byte, Clock::time_point at) {
    // A bank played back may end in an unfinished record, which has no
    // entry: it never counts as a record under way.
    const auto record =
        byte.recordId >= 0 ? recordsInFlight_.find(byte.recordId) : recordsInFlight_.end();
    const bool endsRecord = byte.endsRecord && record != recordsInFlight_.end();
    if (record != recordsInFlight_.end()) {
        streamingRecord_ = byte.endsRecord ? -1 : byte.recordId;
        if (!record->second.begun) {
            record->second.sent.began = at;
        }
        record->second.begun = true;
        if (byte.endsRecord && record->second.bank > 0) {
            Bytes& bank = banks_[static_cast<size_t>(record->second.bank - 1)];
            const Bytes encoded = EncodeRecord(record->second.sent.record);
            if (bank.size() + encoded.size() <= kBankCapacity) {
                bank.insert(bank.end(), encoded.begin(), encoded.end());
            }
        }
    }
    if (!plugged_) {
        AccountLocked(byte, false);  // nobody at the other end (may end the record's entry)
    } else {
        line_.Push(byte, at);
    }
    if (endsRecord && !thresholdReports_.empty()) {
        const Bytes reports = std::exchange(thresholdReports_, {});
        for (uint8_t threshold : reports) {
            HandLocked(LineByte{kThresholdReport}, at);
            HandLocked(LineByte{threshold}, at);
        }
    }
}

void Simulator::AccountLocked(const LineByte& byte, bool reached) {
    if (byte.recordId < 0) {
        return;
    }
    auto it = recordsInFlight_.find(byte.recordId);
    if (it == recordsInFlight_.end()) {
        return;
    }
    RecordInFlight& record = it->second;
    if (!reached) {
        record.cut = true;
    } else if (record.cut) {
        ++record.sent.bytesAfterCut;
    } else {
        ++record.sent.bytesBeforeCut;
    }
    if (byte.endsRecord) {
        FinishRecordLocked(it);
    }
}

void Simulator::FinishRecordLocked(std::map<int, RecordInFlight>::iterator it) {
    RecordInFlight& record = it->second;
    record.sent.line = plugging_;
    if (options_.keepHistory) {
        if (record.cut || record.abandoned) {
            cutRecords_.push_back(std::move(record.sent));
        } else {
            record.sent.bytesBeforeCut = 0;
            sentRecords_.push_back(std::move(record.sent));
        }
    }
    recordsInFlight_.erase(it);
}

void Simulator::WriteOutLocked() {
    while (!out_.empty() && lineFd_ >= 0 && plugged_) {
        uint8_t chunk[512];
        size_t n = 0;
        while (n < out_.size() && n < sizeof chunk) {
            chunk[n] = out_[n].value;
            ++n;
            if (out_[n - 1].hangUp || out_[n - 1].unplug) {
                break;  // nothing may follow the last byte before the line dies
            }
        }
        const ssize_t written = ::write(lineFd_, chunk, n);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                HangUpLocked();
            }
            return;
        }
        LogLocked("QTX", chunk, static_cast<size_t>(written));
        if (options_.keepHistory) {
            sent_.insert(sent_.end(), chunk, chunk + written);
        }
        bool hangUp = false;
        bool unplug = false;
        for (ssize_t i = 0; i < written; ++i) {
            const LineByte b = out_.front();
            out_.pop_front();
            AccountLocked(b, true);
            hangUp = hangUp || b.hangUp;
            unplug = unplug || b.unplug;
        }
        changed_.notify_all();
        if (hangUp) {
            BeginHangUpLocked();
            return;
        }
        if (unplug) {
            UnplugLocked();
            return;
        }
    }
}

int Simulator::NextTimeoutLocked(Clock::time_point now) const {
    std::optional<Clock::time_point> next;
    auto consider = [&](Clock::time_point t) {
        if (!next || t < *next) {
            next = t;
        }
    };
    if (!immediate_.empty()) {
        consider(immediate_.front().due);
    }
    if (armed_ && stream_.empty() && !takeUps_.empty() && !calibrating_) {
        consider(now);
    }
    if (!paused_ && !calibrating_ && !stream_.empty() &&
        out_.size() + line_.Size() < kStreamAhead) {
        if (options_.pace == Pace::RealTime) {
            consider(streamClock_ + milliseconds(stream_.front().delayMs));
        } else {
            consider(options_.line.bytePacing ? line_.FreeAt() : now);
        }
    }
    if (const auto arrival = line_.NextArrival()) {
        consider(*arrival);
    }
    if (!next) {
        return -1;
    }
    if (*next <= now) {
        return 0;
    }
    const auto wait = std::chrono::duration_cast<milliseconds>(*next - now).count() + 1;
    return static_cast<int>(std::min<int64_t>(wait, 60'000));
}

// --- persistence and log ------------------------------------------------

void Simulator::LoadState() {
    if (options_.statePath.empty()) {
        return;
    }
    std::ifstream in(options_.statePath);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || line[0] == '#') {
            continue;
        }
        const std::string key = line.substr(0, eq);
        int value = 0;
        try {
            value = std::stoi(line.substr(eq + 1));
        } catch (const std::exception&) {
            continue;
        }
        if (value < 0 || value > 255) {
            continue;
        }
        const auto byte = static_cast<uint8_t>(value);
        if (key == "gain" && value < kGainSteps) {
            variables_.gain = variables_.storedGain = byte;
        } else if (key == "zero") {
            variables_.pNull = variables_.eNull = byte;
        } else if (key == "tone") {
            variables_.toneFlag = static_cast<uint8_t>((variables_.toneFlag & ~1u) | (byte & 1u));
        }
    }
}

void Simulator::StoreLocked() {
    if (options_.statePath.empty()) {
        return;
    }
    // Written beside and renamed over the old file, so an interrupted write
    // never leaves half a state.
    const std::string temporary = options_.statePath + ".tmp";
    {
        std::ofstream out(temporary, std::ios::out | std::ios::trunc);
        out << "# QTX simulator EEPROM\n"
            << "gain=" << int{variables_.storedGain} << "\n"
            << "zero=" << int{variables_.eNull} << "\n"
            << "tone=" << (variables_.toneFlag & 1) << "\n";
        if (!out.flush()) {
            return;
        }
    }
    std::rename(temporary.c_str(), options_.statePath.c_str());
}

void Simulator::LogLocked(const char* direction, const uint8_t* bytes, size_t count) {
    if (!log_.is_open()) {
        return;
    }
    log_ << secondsSince(logStart_) << direction;
    for (size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        log_ << hex;
    }
    log_ << '\n';
    log_.flush();
}

void Simulator::Note(const std::string& text) {
    std::lock_guard lock(mutex_);
    LogNoteLocked(text.c_str());
}

void Simulator::LogNoteLocked(const char* note) {
    if (!log_.is_open()) {
        return;
    }
    log_ << secondsSince(logStart_) << "--- " << note << '\n';
    log_.flush();
}

}  // namespace ostrevik::qtxsim
