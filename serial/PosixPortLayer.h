#pragma once
// The port layer over POSIX terminal devices.
//
// Names: "COMn" (n from 1) is the device that the mapping gives for n; by
// default /dev/ttyS<n-1>, so COM1 is /dev/ttyS0, as the first on-board UART
// has always been COM1. Any other name opens nothing.
//
// A port is a binary channel: it is opened without becoming the controlling
// terminal, without waiting for a carrier, and exclusively (TIOCEXCL, and an
// flock so that a second opener in any process is refused); the terminal's
// line editing, echo, signal characters and output processing are switched
// off at once, so bytes pass unchanged, while speed, character format and
// flow control stay as the device had them until SetState changes them.
//
// Events come from a poll() loop that also watches a wake-up descriptor (for
// mask changes and closing) and the waiter's own event, and samples the
// device every kSampleInterval:
//   EV_RXCHAR   the input queue grew (FIONREAD)
//   EV_TXEMPTY  the output queue drained (TIOCOUTQ)
//   EV_CTS, EV_DSR, EV_RLSD   the line changed; EV_RING  the ring indicator
//               came on (TIOCMGET)
//   EV_BREAK, EV_ERR          the kernel's break and error counters grew
//               (TIOCGICOUNT)
// A device that cannot answer one of these requests never reports the
// matching events; GetSupportedEvents tells which it reports. A pseudo-
// terminal, for one, has neither modem lines nor counters. One event is
// reported per wait; events that come together stay pending for the next
// waits, so none is lost to a caller that expects one event per word.
//
// The time-out record and the queue sizes are kept per port and read back
// as they were set: the terminal driver has no equivalent of either.
//
// Handles are numbers of this layer, never reused, not descriptors: an
// operation on a closed handle fails cleanly even while another thread still
// uses the port, and the descriptor is closed once no operation uses it.

#include "serial/PortLayer.h"

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace korvex::serial {

class PosixPortLayer final : public PortLayer {
public:
    // The device path for port number n (n >= 1); an empty path: no device.
    using DeviceMapping = std::function<std::string(unsigned portNumber)>;

    static constexpr std::chrono::milliseconds kSampleInterval{10};

    explicit PosixPortLayer(DeviceMapping mapping = StandardDeviceMapping);
    ~PosixPortLayer() override;

    // COM1 is /dev/ttyS0, COM2 /dev/ttyS1, and so on.
    static std::string StandardDeviceMapping(unsigned portNumber);

    PortHandle Open(std::u16string_view name, std::uint32_t attributes) override;
    bool Close(PortHandle port) override;
    bool SetupQueues(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) override;
    bool GetTimeouts(PortHandle port, CommTimeouts& timeouts) override;
    bool SetTimeouts(PortHandle port, const CommTimeouts& timeouts) override;
    bool GetState(PortHandle port, DeviceControlBlock& state) override;
    bool SetState(PortHandle port, const DeviceControlBlock& state) override;
    bool Purge(PortHandle port, std::uint32_t flags) override;
    bool SetEventMask(PortHandle port, std::uint32_t mask) override;
    bool WaitEvent(PortHandle port, std::uint32_t& eventWord, Overlapped& overlapped) override;
    bool ClearError(PortHandle port, std::uint32_t* errors, CommStatus* status) override;
    bool GetModemStatus(PortHandle port, std::uint32_t& status) override;
    bool GetSupportedEvents(PortHandle port, std::uint32_t& events) override;

    struct Port;

private:
    std::shared_ptr<Port> Find(PortHandle port) const;

    DeviceMapping mapping_;
    mutable std::mutex mutex_;
    std::map<PortHandle, std::shared_ptr<Port>> ports_;
    PortHandle nextHandle_ = 1;
};

} // namespace korvex::serial
