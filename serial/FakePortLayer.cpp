#include "serial/FakePortLayer.h"

#include <poll.h>

#include <array>
#include <cerrno>
#include <cstdio>

namespace korvex::serial {
namespace {

bool FailWith(int error)
{
    SetLastPortError(error);
    return false;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

std::string Ascii(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

} // namespace

FakePortLayer::FakePortLayer() : wake_(ManualResetEvent::Create())
{
    state_.length = sizeof(DeviceControlBlock);
}

FakePortLayer::~FakePortLayer() = default;

void FakePortLayer::AddDevice(std::u16string name)
{
    const std::lock_guard hold(mutex_);
    devices_.insert(std::move(name));
}

void FakePortLayer::Fail(Operation operation, int error)
{
    const std::lock_guard hold(mutex_);
    failures_[operation] = error;
}

void FakePortLayer::PushEvent(std::uint32_t eventWord)
{
    const std::lock_guard hold(mutex_);
    script_.push_back({eventWord, 0});
    wake_->Set();
}

void FakePortLayer::PushWaitFailure(int error)
{
    const std::lock_guard hold(mutex_);
    script_.push_back({0, error});
    wake_->Set();
}

void FakePortLayer::SetModemStatus(std::optional<std::uint32_t> status)
{
    const std::lock_guard hold(mutex_);
    modemStatus_ = status;
}

void FakePortLayer::SetLineStatus(std::uint32_t errors, std::uint32_t inQueue)
{
    const std::lock_guard hold(mutex_);
    lineErrors_ = errors;
    inQueue_ = inQueue;
}

void FakePortLayer::SetWaitEndsOnMaskChange(bool ends)
{
    const std::lock_guard hold(mutex_);
    waitEndsOnMaskChange_ = ends;
}

std::vector<std::string> FakePortLayer::Calls() const
{
    const std::lock_guard hold(mutex_);
    return calls_;
}

void FakePortLayer::ClearCalls()
{
    const std::lock_guard hold(mutex_);
    calls_.clear();
}

bool FakePortLayer::WaitUntilIdle(std::chrono::milliseconds limit)
{
    std::unique_lock hold(mutex_);
    return changed_.wait_for(hold, limit, [this] { return idle_ && script_.empty(); });
}

bool FakePortLayer::Admit(Operation operation, PortHandle port, std::string call)
{
    calls_.push_back(std::move(call));
    if (const auto failure = failures_.find(operation); failure != failures_.end())
        return FailWith(failure->second);
    if (operation != Operation::Open && !open_.contains(port))
        return FailWith(EBADF);
    return true;
}

PortHandle FakePortLayer::Open(std::u16string_view name, std::uint32_t attributes)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::Open, kInvalidPortHandle, "Open " + Ascii(name) + " " + Hex(attributes)))
        return kInvalidPortHandle;
    if (!devices_.contains(std::u16string(name))) {
        FailWith(ENOENT);
        return kInvalidPortHandle;
    }
    const PortHandle handle = nextHandle_++;
    open_.insert(handle);
    return handle;
}

bool FakePortLayer::Close(PortHandle port)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::Close, port, "Close"))
        return false;
    open_.erase(port);
    wake_->Set();
    return true;
}

bool FakePortLayer::SetupQueues(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue)
{
    const std::lock_guard hold(mutex_);
    return Admit(Operation::SetupQueues, port,
                 "SetupQueues " + std::to_string(inQueue) + " " + std::to_string(outQueue));
}

bool FakePortLayer::GetTimeouts(PortHandle port, CommTimeouts& timeouts)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::GetTimeouts, port, "GetTimeouts"))
        return false;
    timeouts = timeouts_;
    return true;
}

bool FakePortLayer::SetTimeouts(PortHandle port, const CommTimeouts& timeouts)
{
    const std::lock_guard hold(mutex_);
    const std::string call = "SetTimeouts " + std::to_string(timeouts.readIntervalTimeout) + " " +
                             std::to_string(timeouts.readTotalTimeoutMultiplier) + " " +
                             std::to_string(timeouts.readTotalTimeoutConstant) + " " +
                             std::to_string(timeouts.writeTotalTimeoutMultiplier) + " " +
                             std::to_string(timeouts.writeTotalTimeoutConstant);
    if (!Admit(Operation::SetTimeouts, port, call))
        return false;
    timeouts_ = timeouts;
    return true;
}

bool FakePortLayer::GetState(PortHandle port, DeviceControlBlock& state)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::GetState, port, "GetState"))
        return false;
    state = state_;
    return true;
}

bool FakePortLayer::SetState(PortHandle port, const DeviceControlBlock& state)
{
    const std::lock_guard hold(mutex_);
    const std::string call = "SetState " + std::to_string(state.baudRate) + " " + std::to_string(state.byteSize) +
                             " " + std::to_string(state.parity) + " " + std::to_string(state.stopBits);
    if (!Admit(Operation::SetState, port, call))
        return false;
    state_ = state;
    return true;
}

bool FakePortLayer::Purge(PortHandle port, std::uint32_t flags)
{
    const std::lock_guard hold(mutex_);
    return Admit(Operation::Purge, port, "Purge " + Hex(flags));
}

bool FakePortLayer::SetEventMask(PortHandle port, std::uint32_t mask)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::SetEventMask, port, "SetEventMask " + Hex(mask)))
        return false;
    ++maskGeneration_;
    wake_->Set();
    return true;
}

bool FakePortLayer::WaitEvent(PortHandle port, std::uint32_t& eventWord, Overlapped& overlapped)
{
    eventWord = 0;
    std::unique_lock hold(mutex_);
    if (!Admit(Operation::WaitEvent, port, "WaitEvent"))
        return false;
    if (!overlapped.event)
        return FailWith(EINVAL);
    const std::uint64_t generation = maskGeneration_;
    for (;;) {
        // Reset before looking, so that a change made after the look sets it again.
        wake_->Reset();
        if (!open_.contains(port))
            return FailWith(EBADF);
        if (waitEndsOnMaskChange_ && maskGeneration_ != generation)
            return true;
        if (overlapped.event->IsSet())
            return FailWith(ECANCELED);
        if (!script_.empty()) {
            const WaitStep step = script_.front();
            script_.pop_front();
            if (step.error != 0)
                return FailWith(step.error);
            eventWord = step.eventWord;
            return true;
        }
        idle_ = true;
        changed_.notify_all();
        hold.unlock();
        std::array<pollfd, 2> watched{{
            {wake_->Descriptor(), POLLIN, 0},
            {overlapped.event->Descriptor(), POLLIN, 0},
        }};
        poll(watched.data(), watched.size(), -1);
        hold.lock();
        idle_ = false;
    }
}

bool FakePortLayer::ClearError(PortHandle port, std::uint32_t* errors, CommStatus* status)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::ClearError, port, "ClearError"))
        return false;
    if (errors)
        *errors = lineErrors_;
    if (status)
        *status = {inQueue_, 0};
    lineErrors_ = 0;
    return true;
}

bool FakePortLayer::GetModemStatus(PortHandle port, std::uint32_t& status)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::GetModemStatus, port, "GetModemStatus"))
        return false;
    if (!modemStatus_)
        return FailWith(EIO);
    status = *modemStatus_;
    return true;
}

bool FakePortLayer::GetSupportedEvents(PortHandle port, std::uint32_t& events)
{
    const std::lock_guard hold(mutex_);
    if (!Admit(Operation::GetSupportedEvents, port, "GetSupportedEvents"))
        return false;
    events = EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;
    return true;
}

} // namespace korvex::serial
