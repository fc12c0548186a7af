#include "serial/PosixPortLayer.h"

#include "serial/TerminalSettings.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include <array>
#include <cerrno>
#include <optional>

namespace korvex::serial {
namespace {

constexpr std::uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr std::uint32_t kCounterEvents = EV_BREAK | EV_ERR;

bool Fail(int error)
{
    SetLastPortError(error);
    return false;
}

// The kernel's counters of breaks and line errors, where the driver keeps them.
struct LineCounters {
    int breaks = 0;
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int bufferOverrun = 0;
};

bool ReadCounters(int fd, LineCounters& counters)
{
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct kernel{};
    if (ioctl(fd, TIOCGICOUNT, &kernel) != 0)
        return false;
    counters = {kernel.brk, kernel.frame, kernel.overrun, kernel.parity, kernel.buf_overrun};
    return true;
#else
    (void)fd;
    (void)counters;
    return false;
#endif
}

// "COM" followed by a decimal number from 1, without leading zeros.
bool ParsePortName(std::u16string_view name, unsigned& number)
{
    constexpr std::u16string_view kPrefix = u"COM";
    if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix || name[kPrefix.size()] == u'0')
        return false;
    unsigned long long value = 0;
    for (const char16_t digit : name.substr(kPrefix.size())) {
        if (digit < u'0' || digit > u'9')
            return false;
        value = value * 10 + static_cast<unsigned>(digit - u'0');
        if (value > 0xFFFFFFFFull)
            return false;
    }
    number = static_cast<unsigned>(value);
    return true;
}

} // namespace

struct PosixPortLayer::Port {
    ~Port()
    {
        if (fd >= 0) {
            if (exclusive)
                ioctl(fd, TIOCNXCL);
            close(fd);
        }
    }

    int fd = -1;
    bool exclusive = false;  // this opener made the device exclusive
    std::unique_ptr<ManualResetEvent> wake;  // set on a mask change and on closing
    std::uint32_t supported = 0;

    std::mutex mutex;  // guards what follows
    bool closed = false;
    bool waiting = false;
    bool hungUp = false;
    std::uint32_t mask = 0;
    std::uint64_t maskGeneration = 0;
    std::uint32_t pending = 0;
    // What the last sample saw.
    int inQueue = 0;
    int outQueue = 0;
    int modemLines = 0;
    LineCounters counters;
    // The counters when ClearError last read the errors.
    LineCounters reportedCounters;
    CommTimeouts timeouts;
    std::uint32_t inQueueSize = 0;
    std::uint32_t outQueueSize = 0;
};

namespace {

// Compares the device with the last sample; the events that happened since.
std::uint32_t Sample(PosixPortLayer::Port& port)
{
    std::uint32_t events = 0;
    int inQueue = 0;
    if (ioctl(port.fd, FIONREAD, &inQueue) == 0) {
        if (inQueue > port.inQueue)
            events |= EV_RXCHAR;
        port.inQueue = inQueue;
    }
    if (port.supported & EV_TXEMPTY) {
        int outQueue = 0;
        if (ioctl(port.fd, TIOCOUTQ, &outQueue) == 0) {
            if (port.outQueue > 0 && outQueue == 0)
                events |= EV_TXEMPTY;
            port.outQueue = outQueue;
        }
    }
    if (port.supported & kModemEvents) {
        int lines = 0;
        if (ioctl(port.fd, TIOCMGET, &lines) == 0) {
            const int changed = lines ^ port.modemLines;
            if (changed & TIOCM_CTS)
                events |= EV_CTS;
            if (changed & TIOCM_DSR)
                events |= EV_DSR;
            if (changed & TIOCM_CAR)
                events |= EV_RLSD;
            if (changed & lines & TIOCM_RNG)
                events |= EV_RING;
            port.modemLines = lines;
        }
    }
    if (port.supported & kCounterEvents) {
        LineCounters now;
        if (ReadCounters(port.fd, now)) {
            if (now.breaks != port.counters.breaks)
                events |= EV_BREAK;
            if (now.frame != port.counters.frame || now.overrun != port.counters.overrun ||
                now.parity != port.counters.parity)
                events |= EV_ERR;
            port.counters = now;
        }
    }
    return events;
}

std::uint32_t SupportedEvents(int fd)
{
    std::uint32_t supported = 0;
    int value = 0;
    if (ioctl(fd, FIONREAD, &value) == 0)
        supported |= EV_RXCHAR;
    if (ioctl(fd, TIOCOUTQ, &value) == 0)
        supported |= EV_TXEMPTY;
    if (ioctl(fd, TIOCMGET, &value) == 0)
        supported |= kModemEvents;
    LineCounters counters;
    if (ReadCounters(fd, counters))
        supported |= kCounterEvents;
    return supported;
}

} // namespace

PosixPortLayer::PosixPortLayer(DeviceMapping mapping) : mapping_(std::move(mapping)) {}

PosixPortLayer::~PosixPortLayer()
{
    const std::lock_guard hold(mutex_);
    for (auto& [handle, port] : ports_) {
        {
            const std::lock_guard holdPort(port->mutex);
            port->closed = true;
        }
        port->wake->Set();
    }
}

std::string PosixPortLayer::StandardDeviceMapping(unsigned portNumber)
{
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::shared_ptr<PosixPortLayer::Port> PosixPortLayer::Find(PortHandle port) const
{
    const std::lock_guard hold(mutex_);
    const auto found = ports_.find(port);
    return found == ports_.end() ? nullptr : found->second;
}

PortHandle PosixPortLayer::Open(std::u16string_view name, std::uint32_t /*attributes*/)
{
    unsigned number = 0;
    if (!ParsePortName(name, number)) {
        Fail(ENOENT);
        return kInvalidPortHandle;
    }
    const std::string path = mapping_ ? mapping_(number) : std::string();
    if (path.empty()) {
        Fail(ENOENT);
        return kInvalidPortHandle;
    }

    auto port = std::make_shared<Port>();
    port->fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->fd < 0) {
        Fail(errno);
        return kInvalidPortHandle;
    }
    if (!isatty(port->fd)) {
        Fail(ENOTTY);
        return kInvalidPortHandle;
    }
    if (flock(port->fd, LOCK_EX | LOCK_NB) != 0) {
        Fail(errno == EWOULDBLOCK ? EBUSY : errno);
        return kInvalidPortHandle;
    }
    // Also keeps out openers that do not lock; not every device offers it.
    port->exclusive = ioctl(port->fd, TIOCEXCL) == 0;
    if (!MakeBinaryChannel(port->fd)) {
        Fail(errno);
        return kInvalidPortHandle;
    }
    port->wake = ManualResetEvent::Create();
    if (!port->wake) {
        Fail(EMFILE);
        return kInvalidPortHandle;
    }
    port->supported = SupportedEvents(port->fd);
    Sample(*port);

    const std::lock_guard hold(mutex_);
    const PortHandle handle = nextHandle_++;
    ports_.emplace(handle, std::move(port));
    return handle;
}

bool PosixPortLayer::Close(PortHandle handle)
{
    std::shared_ptr<Port> port;
    {
        const std::lock_guard hold(mutex_);
        const auto found = ports_.find(handle);
        if (found == ports_.end())
            return Fail(EBADF);
        port = std::move(found->second);
        ports_.erase(found);
    }
    {
        const std::lock_guard hold(port->mutex);
        port->closed = true;
    }
    port->wake->Set();  // a pending wait ends; the descriptor closes with the last user
    return true;
}

bool PosixPortLayer::SetupQueues(PortHandle handle, std::uint32_t inQueue, std::uint32_t outQueue)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    if (inQueue == 0 || outQueue == 0)
        return Fail(EINVAL);
    const std::lock_guard hold(port->mutex);
    port->inQueueSize = inQueue;
    port->outQueueSize = outQueue;
    return true;
}

bool PosixPortLayer::GetTimeouts(PortHandle handle, CommTimeouts& timeouts)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    const std::lock_guard hold(port->mutex);
    timeouts = port->timeouts;
    return true;
}

bool PosixPortLayer::SetTimeouts(PortHandle handle, const CommTimeouts& timeouts)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    const std::lock_guard hold(port->mutex);
    port->timeouts = timeouts;
    return true;
}

bool PosixPortLayer::GetState(PortHandle handle, DeviceControlBlock& state)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    termios settings{};
    {
        const std::lock_guard hold(port->mutex);
        if (tcgetattr(port->fd, &settings) != 0)
            return Fail(errno);
    }
    state = ControlBlockOf(settings);
    return true;
}

bool PosixPortLayer::SetState(PortHandle handle, const DeviceControlBlock& state)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);

    const std::optional<TerminalFormat> format = FormatOf(state);
    if (!format)
        return Fail(EINVAL);

    const std::lock_guard hold(port->mutex);
    termios settings{};
    if (tcgetattr(port->fd, &settings) != 0)
        return Fail(errno);
    ApplyControlBlock(state, *format, settings);
    if (cfsetispeed(&settings, format->speed) != 0 || cfsetospeed(&settings, format->speed) != 0)
        return Fail(errno);
    if (tcsetattr(port->fd, TCSANOW, &settings) != 0)
        return Fail(errno);
    return true;
}

bool PosixPortLayer::Purge(PortHandle handle, std::uint32_t flags)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    // Nothing in this layer reads or writes, so there is nothing to abort;
    // clearing empties the driver's queues.
    const bool output = flags & PURGE_TXCLEAR;
    const bool input = flags & PURGE_RXCLEAR;
    if (!output && !input)
        return true;
    const std::lock_guard hold(port->mutex);
    if (tcflush(port->fd, output && input ? TCIOFLUSH : output ? TCOFLUSH : TCIFLUSH) != 0)
        return Fail(errno);
    // Whatever arrives from now on is new.
    if (input)
        port->inQueue = 0;
    if (output)
        port->outQueue = 0;
    return true;
}

bool PosixPortLayer::SetEventMask(PortHandle handle, std::uint32_t mask)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    {
        const std::lock_guard hold(port->mutex);
        port->mask = mask;
        ++port->maskGeneration;
        // Changes are measured from the opening (or the last purge), not
        // from here: bytes that came between the opening and the first mask
        // are still reported.
        port->pending &= mask;
    }
    port->wake->Set();
    return true;
}

bool PosixPortLayer::WaitEvent(PortHandle handle, std::uint32_t& eventWord, Overlapped& overlapped)
{
    eventWord = 0;
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    if (!overlapped.event)
        return Fail(EINVAL);

    std::uint64_t generation = 0;
    {
        const std::lock_guard hold(port->mutex);
        if (port->waiting)
            return Fail(EBUSY);
        port->waiting = true;
        generation = port->maskGeneration;
    }
    struct EndOfWait {
        Port& port;
        ~EndOfWait()
        {
            const std::lock_guard hold(port.mutex);
            port.waiting = false;
        }
    } endOfWait{*port};

    for (;;) {
        // Reset before looking, so that a change made after the look sets it again.
        port->wake->Reset();
        bool watchInput = false;
        {
            const std::lock_guard hold(port->mutex);
            if (port->closed)
                return Fail(EBADF);
            if (port->maskGeneration != generation)
                return true;
            if (overlapped.event->IsSet())
                return Fail(ECANCELED);
            port->pending |= Sample(*port) & port->mask;
            if (port->pending != 0) {
                const std::uint32_t event = port->pending & (~port->pending + 1);  // lowest first
                port->pending &= ~event;
                eventWord = event;
                return true;
            }
            // Unread input keeps a descriptor readable; then sampling finds new bytes.
            watchInput = !port->hungUp && port->inQueue == 0;
        }
        std::array<pollfd, 3> watched{{
            {port->wake->Descriptor(), POLLIN, 0},
            {overlapped.event->Descriptor(), POLLIN, 0},
            {watchInput ? port->fd : -1, POLLIN, 0},
        }};
        const int ready = poll(watched.data(), watched.size(), static_cast<int>(kSampleInterval.count()));
        if (ready < 0 && errno != EINTR)
            return Fail(errno);
        if (watched[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // A hung-up device would wake every poll at once; from now on it is only sampled.
            const std::lock_guard hold(port->mutex);
            port->hungUp = true;
        }
    }
}

bool PosixPortLayer::ClearError(PortHandle handle, std::uint32_t* errors, CommStatus* status)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    const std::lock_guard hold(port->mutex);
    int inQueue = 0;
    if (ioctl(port->fd, FIONREAD, &inQueue) != 0)
        return Fail(errno);
    int outQueue = 0;
    if (ioctl(port->fd, TIOCOUTQ, &outQueue) != 0)
        outQueue = 0;
    std::uint32_t flags = 0;
    LineCounters now;
    if ((port->supported & kCounterEvents) && ReadCounters(port->fd, now)) {
        const LineCounters& before = port->reportedCounters;
        if (now.bufferOverrun != before.bufferOverrun)
            flags |= CE_RXOVER;
        if (now.overrun != before.overrun)
            flags |= CE_OVERRUN;
        if (now.parity != before.parity)
            flags |= CE_RXPARITY;
        if (now.frame != before.frame)
            flags |= CE_FRAME;
        if (now.breaks != before.breaks)
            flags |= CE_BREAK;
        port->reportedCounters = now;
    }
    if (errors)
        *errors = flags;
    if (status)
        *status = {static_cast<std::uint32_t>(inQueue), static_cast<std::uint32_t>(outQueue)};
    return true;
}

bool PosixPortLayer::GetModemStatus(PortHandle handle, std::uint32_t& status)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    int lines = 0;
    {
        const std::lock_guard hold(port->mutex);
        if (ioctl(port->fd, TIOCMGET, &lines) != 0)
            return Fail(errno);
    }
    status = ((lines & TIOCM_CTS) ? MS_CTS_ON : 0) | ((lines & TIOCM_DSR) ? MS_DSR_ON : 0) |
             ((lines & TIOCM_RNG) ? MS_RING_ON : 0) | ((lines & TIOCM_CAR) ? MS_RLSD_ON : 0);
    return true;
}

bool PosixPortLayer::GetSupportedEvents(PortHandle handle, std::uint32_t& events)
{
    const std::shared_ptr<Port> port = Find(handle);
    if (!port)
        return Fail(EBADF);
    events = port->supported;
    return true;
}

} // namespace korvex::serial
