#pragma once
// The serial-port layer: the few driver operations that cnComm needs, behind
// one interface, so that the class runs on a real terminal device
// (PosixPortLayer) or on a scripted fake (FakePortLayer).
//
// The operations keep the shape of the classic serial-driver calls that the
// class was written against: each reports success as a boolean and leaves
// the reason for a failure in a per-thread last error (LastPortError), an
// errno value in this implementation. The records, the event bits, the purge
// flags, the line-error flags and the modem-status bits keep their classic
// values, because the class passes them on unchanged in its thread messages.

#include "serial/ManualResetEvent.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace korvex::serial {

// An open port, as the layer names it; never reused within a process.
using PortHandle = std::intptr_t;
inline constexpr PortHandle kInvalidPortHandle = -1;

// Attributes of Open: a normal file, optionally opened for overlapped use.
// This layer's waits are always interruptible, so the overlapped flag is
// accepted and changes nothing.
inline constexpr std::uint32_t kAttributeNormal = 0x80;
inline constexpr std::uint32_t kFlagOverlapped = 0x40000000;

// Port events: bits of the event mask and of the event word.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;   // a byte arrived in the input queue
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;   // the event character arrived
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;  // the output queue drained
inline constexpr std::uint32_t EV_CTS = 0x0008;      // CTS changed
inline constexpr std::uint32_t EV_DSR = 0x0010;      // DSR changed
inline constexpr std::uint32_t EV_RLSD = 0x0020;     // carrier detect (DCD) changed
inline constexpr std::uint32_t EV_BREAK = 0x0040;    // a break was received
inline constexpr std::uint32_t EV_ERR = 0x0080;      // framing, overrun or parity error
inline constexpr std::uint32_t EV_RING = 0x0100;     // the ring indicator came on

// Purge flags.
inline constexpr std::uint32_t PURGE_TXABORT = 0x1;
inline constexpr std::uint32_t PURGE_RXABORT = 0x2;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x4;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x8;

// Line-error flags, as ClearError reports them.
inline constexpr std::uint32_t CE_RXOVER = 0x01;    // the input queue overflowed
inline constexpr std::uint32_t CE_OVERRUN = 0x02;   // the receiver overran
inline constexpr std::uint32_t CE_RXPARITY = 0x04;  // parity error
inline constexpr std::uint32_t CE_FRAME = 0x08;     // framing error
inline constexpr std::uint32_t CE_BREAK = 0x10;     // break received

// Modem-status bits.
inline constexpr std::uint32_t MS_CTS_ON = 0x10;
inline constexpr std::uint32_t MS_DSR_ON = 0x20;
inline constexpr std::uint32_t MS_RING_ON = 0x40;
inline constexpr std::uint32_t MS_RLSD_ON = 0x80;

// Parity and stop-bit codes of DeviceControlBlock.
inline constexpr std::uint8_t kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3, kSpaceParity = 4;
inline constexpr std::uint8_t kOneStopBit = 0, kOneAndHalfStopBits = 1, kTwoStopBits = 2;

// Line settings of a port: the 28-byte device-control record.
struct DeviceControlBlock {
    std::uint32_t length;  // size of the record
    std::uint32_t baudRate;
    std::uint32_t binary : 1;           // always set: no end-of-file processing
    std::uint32_t parityCheck : 1;      // check parity of received bytes
    std::uint32_t outxCtsFlow : 1;      // output waits for CTS
    std::uint32_t outxDsrFlow : 1;      // output waits for DSR
    std::uint32_t dtrControl : 2;       // 0 off, 1 on, 2 handshake
    std::uint32_t dsrSensitivity : 1;
    std::uint32_t txContinueOnXoff : 1;
    std::uint32_t outX : 1;             // XON/XOFF flow control of output
    std::uint32_t inX : 1;              // XON/XOFF flow control of input
    std::uint32_t errorCharUsed : 1;
    std::uint32_t discardNull : 1;
    std::uint32_t rtsControl : 2;       // 0 off, 1 on, 2 handshake, 3 toggle
    std::uint32_t abortOnError : 1;
    std::uint32_t unused : 17;
    std::uint16_t reserved;
    std::uint16_t xonLimit;
    std::uint16_t xoffLimit;
    std::uint8_t byteSize;  // data bits, 5..8
    std::uint8_t parity;    // kNoParity ...
    std::uint8_t stopBits;  // kOneStopBit ...
    char xonChar;
    char xoffChar;
    char errorChar;
    char eofChar;
    char eventChar;
    std::uint16_t reserved1;
};
static_assert(sizeof(DeviceControlBlock) == 28, "the device-control record is 28 bytes");

// Time-outs of a port, in milliseconds.
struct CommTimeouts {
    std::uint32_t readIntervalTimeout = 0;
    std::uint32_t readTotalTimeoutMultiplier = 0;
    std::uint32_t readTotalTimeoutConstant = 0;
    std::uint32_t writeTotalTimeoutMultiplier = 0;
    std::uint32_t writeTotalTimeoutConstant = 0;

    friend bool operator==(const CommTimeouts&, const CommTimeouts&) = default;
};

// Queue status, as ClearError reports it.
struct CommStatus {
    std::uint32_t inQueue = 0;   // bytes waiting in the input queue
    std::uint32_t outQueue = 0;  // bytes not yet sent
};

// The record of an overlapped operation: the manual-reset event that ends
// the operation's wait when it is set.
struct Overlapped {
    std::unique_ptr<ManualResetEvent> event;
};

class PortLayer {
public:
    virtual ~PortLayer() = default;

    // Opens the existing device that `name` ("COM1", "COM2", ...) stands for,
    // for reading and writing, shared with no one. kInvalidPortHandle when it
    // cannot be opened.
    virtual PortHandle Open(std::u16string_view name, std::uint32_t attributes) = 0;
    virtual bool Close(PortHandle port) = 0;

    // Driver queue sizes in bytes.
    virtual bool SetupQueues(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) = 0;
    virtual bool GetTimeouts(PortHandle port, CommTimeouts& timeouts) = 0;
    virtual bool SetTimeouts(PortHandle port, const CommTimeouts& timeouts) = 0;
    virtual bool GetState(PortHandle port, DeviceControlBlock& state) = 0;
    virtual bool SetState(PortHandle port, const DeviceControlBlock& state) = 0;
    // PURGE_* flags: abort pending operations, clear the queues.
    virtual bool Purge(PortHandle port, std::uint32_t flags) = 0;

    // The events the next waits report. Setting it ends a pending wait.
    virtual bool SetEventMask(PortHandle port, std::uint32_t mask) = 0;
    // Blocks until the next event word. Ends with true and the word when an
    // event of the mask occurred, with true and the word 0 when the mask was
    // set meanwhile, and with false when `overlapped`'s event is (or already
    // was) set, when the port is closed, or on a failure of the device. The
    // event is only read, never reset: whoever sets it resets it.
    virtual bool WaitEvent(PortHandle port, std::uint32_t& eventWord, Overlapped& overlapped) = 0;
    // Reads and clears the line-error flags (CE_*) and reads the queue
    // status; either pointer may be null.
    virtual bool ClearError(PortHandle port, std::uint32_t* errors, CommStatus* status) = 0;
    // The modem lines (MS_*). Fails on a device without modem lines.
    virtual bool GetModemStatus(PortHandle port, std::uint32_t& status) = 0;
    // The events (EV_*) this device can report at all; the others never come.
    virtual bool GetSupportedEvents(PortHandle port, std::uint32_t& events) = 0;
};

// The reason for the calling thread's last failed port operation.
int LastPortError();
void SetLastPortError(int error);

// The process's port layer: the POSIX one with its standard device mapping.
PortLayer& SystemPortLayer();

} // namespace korvex::serial
