#include "serial/cnComm.h"

#include <string>

namespace korvex::serial {
namespace {

// The failure message names the place of the failing call as file(line). The
// line stays the same from build to build, so that reports can be compared.
constexpr int kSetCommMaskLine = 670;

} // namespace

cnComm::cnComm(std::uint32_t openFlags, bool startThreadOnOpen, PortLayer& layer, EventLoopReport report)
    : openFlags(openFlags), startThreadOnOpen(startThreadOnOpen), layer_(layer), report_(std::move(report))
{
    CreateObjects();
}

cnComm::~cnComm()
{
    ClosePortSteps();
    ReleaseObjectsSteps();
}

void cnComm::ClosePort()
{
    ClosePortSteps();
}

void cnComm::ClosePortSteps()
{
    const PortHandle handle = portHandle;
    if (handle == kInvalidPortHandle)
        return;
    layer_.Purge(handle, PURGE_TXABORT | PURGE_TXCLEAR);
    StopEventThread();
    // Invalid before closed, so that a thread that outlived the stop sees it
    // and ends.
    portHandle = kInvalidPortHandle;
    layer_.Close(handle);
}

void cnComm::CreateObjects()
{
    // Run again on a used object, this starts it afresh: the port is closed
    // (its handle is about to be forgotten) and the event thread has ended
    // before anything that the thread uses is replaced.
    ClosePortSteps();
    EndEventThread();
    portName.fill(u'\0');
    lineSettings = DeviceControlBlock{};
    lineSettings.length = sizeof(DeviceControlBlock);
    portHandle = kInvalidPortHandle;
    readOverlapped = Overlapped{ManualResetEvent::Create()};
    writeOverlapped = Overlapped{ManualResetEvent::Create()};
    targetThreadId = 0;
    targetThread = 0;
    rxThreshold = 0;
    eventMask = kDefaultEventMask;
    waitOverlapped = Overlapped{ManualResetEvent::Create()};
    lock.emplace();
}

void cnComm::ReleaseObjects()
{
    ReleaseObjectsSteps();
}

void cnComm::ReleaseObjectsSteps()
{
    // The event thread waits on the wait event: it ends first.
    EndEventThread();
    readOverlapped.event.reset();
    writeOverlapped.event.reset();
    waitOverlapped.event.reset();
    lock.reset();
}

bool cnComm::OpenPort()
{
    if (portHandle != kInvalidPortHandle)
        ClosePort();
    const PortHandle handle = layer_.Open(std::u16string_view(portName.data()), kAttributeNormal | openFlags);
    portHandle = handle;
    if (handle == kInvalidPortHandle)
        return false;
    if (!startThreadOnOpen)
        return true;
    if (!StartEventThread()) {
        ClosePort();
        return false;
    }
    return true;
}

bool cnComm::ConfigurePort()
{
    const PortHandle handle = portHandle;
    if (handle == kInvalidPortHandle)
        return false;
    if (!layer_.SetupQueues(handle, kQueueSize, kQueueSize))
        return false;
    if (!layer_.GetTimeouts(handle, timeouts))
        return false;
    timeouts.readIntervalTimeout = 0;
    timeouts.readTotalTimeoutMultiplier = 1;
    timeouts.readTotalTimeoutConstant = 1000;
    timeouts.writeTotalTimeoutMultiplier = 1;
    timeouts.writeTotalTimeoutConstant = 1000;
    if (!layer_.SetTimeouts(handle, timeouts))
        return false;
    return layer_.Purge(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

bool cnComm::ApplyLineSettings()
{
    const PortHandle handle = portHandle;
    if (handle == kInvalidPortHandle)
        return false;
    if (!layer_.GetState(handle, lineSettings))
        return false;
    lineSettings.baudRate = 9600;
    lineSettings.byteSize = 8;
    lineSettings.parity = kNoParity;
    lineSettings.stopBits = kOneStopBit;
    return layer_.SetState(handle, lineSettings);
}

void cnComm::SetPortNumber(std::uint32_t n)
{
    portNumber = n;
    portName.fill(u'\0');
    const std::string name = "COM" + std::to_string(n);  // at most 13 characters
    std::copy(name.begin(), name.end(), portName.begin());
}

bool cnComm::StartEventThread()
{
    if (eventThread)
        return false;
    // Without its wait event the thread could not be stopped.
    if (!waitOverlapped.event)
        return false;
    threadRunning = true;
    eventThread = EventThread::Start([this] { return EventThreadEntry(this); });
    if (!eventThread)
        threadRunning = false;
    return eventThread != nullptr;
}

std::uint32_t cnComm::EventThreadEntry(cnComm* comm)
{
    return comm->EventLoop();
}

void cnComm::RequestStop()
{
    threadRunning = false;
    layer_.SetEventMask(portHandle, 0);
    if (waitOverlapped.event)
        waitOverlapped.event->Set();
}

void cnComm::EndEventThread()
{
    if (!eventThread)
        return;
    // Also a thread that outlived an earlier stop: the request is repeated
    // and the wait has no limit, since what the thread uses goes next.
    RequestStop();
    eventThread.reset();
}

bool cnComm::StopEventThread()
{
    if (!eventThread)
        return false;
    RequestStop();
    if (!eventThread->WaitForEnd(kStopWait))
        return false;
    eventThread.reset();
    waitOverlapped.event->Reset();
    return true;
}

std::uint32_t cnComm::EventLoop()
{
    const std::uint32_t mask = eventMask;
    if (!layer_.SetEventMask(portHandle, mask)) {
        const int error = LastPortError();
        if (report_)
            report_(EventMaskFailureText(portHandle, mask, error), kEventLoopFailureCaption);
        return 1;
    }
    while (threadRunning) {
        const PortHandle handle = portHandle;
        if (handle == kInvalidPortHandle)
            return 0;
        std::uint32_t eventWord = 0;
        if (!layer_.WaitEvent(handle, eventWord, waitOverlapped))
            continue;
        // Exactly one event per word; any other word is dropped.
        switch (eventWord) {
        case EV_RXCHAR: {
            std::uint32_t errors = 0;
            CommStatus status;
            layer_.ClearError(handle, &errors, &status);
            if (status.inQueue >= rxThreshold)
                NotifyRxChar();
            break;
        }
        case EV_TXEMPTY: NotifyTxEmpty(); break;
        case EV_CTS: NotifyCts(); break;
        case EV_DSR: NotifyDsr(); break;
        case EV_RLSD: NotifyRlsd(); break;
        case EV_BREAK: NotifyBreak(); break;
        case EV_ERR: NotifyError(); break;
        case EV_RING: NotifyRing(); break;
        default: break;
        }
    }
    return 0;
}

QString cnComm::EventMaskFailureText(PortHandle handle, std::uint32_t mask, int error) const
{
    return QString::asprintf("%s(%d) : COM%d Call WINAPI SetCommMask(%llx, %x) Fail, thread work invalid! "
                             "GetLastError() = %d;",
                             __FILE__, kSetCommMaskLine, static_cast<int>(portNumber.load()),
                             static_cast<unsigned long long>(handle), static_cast<unsigned>(mask), error);
}

void cnComm::Post(std::uint32_t message, std::intptr_t second)
{
    PostThreadMessage(targetThreadId, message, portNumber, second);
}

void cnComm::NotifyRxChar()
{
    if (ThreadIsAlive(targetThread))
        Post(COMM_MSG_RXCHAR, 0);
}

void cnComm::NotifyDsr()
{
    if (!ThreadIsAlive(targetThread))
        return;
    std::uint32_t status = 0;
    if (layer_.GetModemStatus(portHandle, status))
        Post(COMM_MSG_DSR, (status & MS_DSR_ON) ? 1 : 0);
}

void cnComm::NotifyCts()
{
    if (!ThreadIsAlive(targetThread))
        return;
    std::uint32_t status = 0;
    if (layer_.GetModemStatus(portHandle, status))
        Post(COMM_MSG_CTS, (status & MS_CTS_ON) ? 1 : 0);
}

void cnComm::NotifyBreak()
{
    if (ThreadIsAlive(targetThread))
        Post(COMM_MSG_BREAK, 0);
}

void cnComm::NotifyTxEmpty()
{
    if (ThreadIsAlive(targetThread))
        Post(COMM_MSG_TXEMPTY, 0);
}

void cnComm::NotifyError()
{
    // Read and cleared whether or not anyone hears of them.
    std::uint32_t errors = 0;
    layer_.ClearError(portHandle, &errors, nullptr);
    if (ThreadIsAlive(targetThread))
        Post(COMM_MSG_ERR, static_cast<std::intptr_t>(errors));
}

void cnComm::NotifyRing()
{
    if (ThreadIsAlive(targetThread))
        Post(COMM_MSG_RING, 0);
}

void cnComm::NotifyRlsd()
{
    if (ThreadIsAlive(targetThread))
        Post(COMM_MSG_RLSD, 0);
}

} // namespace korvex::serial
