#pragma once
// cnComm: one serial port, opened by number as "COM<n>". It sets the
// driver's queues (4096 bytes each way) and time-outs, applies fixed line
// settings (9600 baud, 8 data bits, no parity, one stop bit), and runs an
// event thread that waits for the port's events and forwards each one as a
// thread message to a target thread. It offers no reading or writing of data.
//
// Threads. The owner's thread calls the operations; the event thread runs
// EventLoop and the notifications. The fields that the event thread reads
// while the owner may change them are atomic. The owner stops the thread
// cooperatively: it clears threadRunning, sets the port's event mask to 0 and
// sets the wait event, and every wait of the loop ends on each of these.
// StopEventThread waits at most 100 ms for the end. A thread cannot be killed
// without leaving its locks and this object behind, so when the thread has
// not ended by then (only a notification that blocks can hold it), the stop
// reports false, keeps eventThread and leaves the request standing: the
// thread ends at its next check, and a later StopEventThread, or the
// destructor, collects it.
//
// The events, the lock and the fields that the thread reads are replaced or
// freed only by CreateObjects, ReleaseObjects and the destructor, and each
// of them first ends a held event thread and waits for its end without a
// limit; so whatever the order of calls, nothing goes while the thread can
// still use it. They must not run on the event thread (in a notification):
// no thread can wait for its own end.
//
// A derived class that replaces notifications must stop the event thread in
// its own destructor: the base destructor runs after the derived part is gone.

#include "serial/EventThread.h"
#include "serial/PortLayer.h"
#include "serial/ThreadMessages.h"

#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace korvex::serial {

// Thread messages of the event thread. The first parameter is always the
// port number; the second is given with each. 1644 and 1646 are unused.
inline constexpr std::uint32_t COMM_MSG_RXCHAR = 1642;   // 0
inline constexpr std::uint32_t COMM_MSG_CTS = 1643;      // 1 when CTS is on, else 0
inline constexpr std::uint32_t COMM_MSG_DSR = 1645;      // 1 when DSR is on, else 0
inline constexpr std::uint32_t COMM_MSG_RING = 1647;     // 0
inline constexpr std::uint32_t COMM_MSG_RLSD = 1648;     // 0
inline constexpr std::uint32_t COMM_MSG_BREAK = 1649;    // 0
inline constexpr std::uint32_t COMM_MSG_TXEMPTY = 1650;  // 0
inline constexpr std::uint32_t COMM_MSG_ERR = 1651;      // the line-error flags (CE_*)

// The events waited for unless the owner says otherwise: all but EV_RXFLAG.
inline constexpr std::uint32_t kDefaultEventMask =
    EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;
static_assert(kDefaultEventMask == 0x1FD);

inline constexpr std::uint32_t kQueueSize = 4096;
inline constexpr std::chrono::milliseconds kStopWait{100};

// Caption of the message shown when the event loop cannot start.
inline const QString kEventLoopFailureCaption = QStringLiteral("Class cnComm");

// Shows a message (text, caption) without an owner window. Called on the
// event thread: it must hand the message over to the user-interface thread.
using EventLoopReport = std::function<void(const QString& text, const QString& caption)>;

class cnComm {
public:
    // The owner's two settings, then CreateObjects.
    cnComm(std::uint32_t openFlags, bool startThreadOnOpen, PortLayer& layer, EventLoopReport report);

    cnComm(const cnComm&) = delete;
    cnComm& operator=(const cnComm&) = delete;

    // The ClosePort steps, then the ReleaseObjects steps.
    virtual ~cnComm();
    // Purges the output side, stops the event thread, closes the port. On a
    // closed port it does nothing.
    virtual void ClosePort();
    // Resets the fields and creates the three events and the lock. On an
    // object in use it first closes the port and ends the event thread.
    virtual void CreateObjects();
    // Closes the events that exist and deletes the lock, after ending the
    // event thread. The port stays open.
    virtual void ReleaseObjects();
    // Opens the port named by portName (closing it first when it is open),
    // then starts the event thread if startThreadOnOpen.
    virtual bool OpenPort();
    // Queue sizes, time-outs, purge of both directions.
    virtual bool ConfigurePort();
    virtual void NotifyRxChar();
    virtual void NotifyDsr();
    virtual void NotifyCts();
    virtual void NotifyBreak();
    virtual void NotifyTxEmpty();
    virtual void NotifyError();
    virtual void NotifyRing();
    virtual void NotifyRlsd();
    // The event thread's body; its result is the thread's exit code.
    virtual std::uint32_t EventLoop();

    // portNumber = n, portName = "COM<n>".
    void SetPortNumber(std::uint32_t n);
    // 9600 baud, 8 data bits, no parity, one stop bit; the rest as the driver has it.
    bool ApplyLineSettings();
    bool StartEventThread();
    bool StopEventThread();

    std::atomic<std::uint32_t> portNumber{0};
    std::atomic<PortHandle> portHandle{kInvalidPortHandle};
    std::array<char16_t, 20> portName{};  // "COM<n>", zero-terminated
    DeviceControlBlock lineSettings{};
    CommTimeouts timeouts;
    std::uint32_t openFlags;  // added to the normal-file attribute when opening
    Overlapped readOverlapped;   // for reading; nothing here reads
    Overlapped writeOverlapped;  // for writing; nothing here writes
    std::unique_ptr<EventThread> eventThread;  // null when no thread is held
    std::atomic<ThreadId> targetThreadId{0};  // receives the notifications; 0: none
    std::atomic<ThreadHandle> targetThread{0};  // for the alive test only; 0: no thread
    std::atomic<std::uint32_t> rxThreshold{0};  // least input-queue bytes for COMM_MSG_RXCHAR
    std::atomic<std::uint32_t> eventMask{kDefaultEventMask};
    std::atomic<bool> threadRunning{false};  // the event loop goes on while set
    bool startThreadOnOpen;
    Overlapped waitOverlapped;  // its event ends the event wait
    std::optional<std::mutex> lock;  // kept for derived classes; never taken here

private:
    static std::uint32_t EventThreadEntry(cnComm* comm);
    void ClosePortSteps();
    void ReleaseObjectsSteps();
    void RequestStop();
    void EndEventThread();
    void Post(std::uint32_t message, std::intptr_t second);
    QString EventMaskFailureText(PortHandle handle, std::uint32_t mask, int error) const;

    PortLayer& layer_;
    EventLoopReport report_;
};

} // namespace korvex::serial
