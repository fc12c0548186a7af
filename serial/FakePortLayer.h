#pragma once
// A scripted port layer for tests: the test says which port names exist,
// which operations fail, what the next waits report and what the line
// status and the modem lines read; the layer records every call.
//
// A wait takes the next scripted step; with nothing scripted it blocks, as
// a device without events does, until a step is scripted, the event mask is
// set (unless told to ignore that), the port is closed or the waiter's event
// is set. WaitUntilIdle tells when the event loop has used up the script and
// waits again, so a test knows that everything the script caused is done.

#include "serial/PortLayer.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace korvex::serial {

class FakePortLayer final : public PortLayer {
public:
    enum class Operation {
        Open, Close, SetupQueues, GetTimeouts, SetTimeouts, GetState, SetState, Purge,
        SetEventMask, WaitEvent, ClearError, GetModemStatus, GetSupportedEvents,
    };

    FakePortLayer();
    ~FakePortLayer() override;

    // What the test arranges.
    void AddDevice(std::u16string name);
    // From now on every call of `operation` fails with `error`.
    void Fail(Operation operation, int error);
    // The next wait ends with this event word, or fails with this error.
    void PushEvent(std::uint32_t eventWord);
    void PushWaitFailure(int error);
    // Nothing: reading the modem lines fails.
    void SetModemStatus(std::optional<std::uint32_t> status);
    // Line-error flags (cleared by reading them) and bytes in the input queue.
    void SetLineStatus(std::uint32_t errors, std::uint32_t inQueue);
    // False: setting the event mask does not end a pending wait.
    void SetWaitEndsOnMaskChange(bool ends);

    // What happened: one line per call, such as "Purge 0x5".
    std::vector<std::string> Calls() const;
    void ClearCalls();
    // True once a wait is blocked with nothing scripted, waiting at most `limit`.
    bool WaitUntilIdle(std::chrono::milliseconds limit);

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

private:
    struct WaitStep {
        std::uint32_t eventWord = 0;
        int error = 0;  // 0: the wait succeeds
    };

    // Records the call; false (with the last error set) when it is to fail.
    bool Admit(Operation operation, PortHandle port, std::string call);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::unique_ptr<ManualResetEvent> wake_;
    std::set<std::u16string> devices_;
    std::set<PortHandle> open_;
    PortHandle nextHandle_ = 1;
    std::map<Operation, int> failures_;
    std::deque<WaitStep> script_;
    std::optional<std::uint32_t> modemStatus_ = 0;
    std::uint32_t lineErrors_ = 0;
    std::uint32_t inQueue_ = 0;
    bool waitEndsOnMaskChange_ = true;
    std::uint64_t maskGeneration_ = 0;
    bool idle_ = false;
    CommTimeouts timeouts_;
    DeviceControlBlock state_{};
    std::vector<std::string> calls_;
};

} // namespace korvex::serial
